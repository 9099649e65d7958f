// Not built yet: these commands end with "Selection not coded." after their
// preliminary form, until the family's routines land.
#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

namespace mirto {

std::vector<const FormTemplate*> StratifiedFormTemplates() { return {}; }

int CTervoDoc::StratifiedMeanPoint() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedProportionPoint() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedMeanInterval() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedProportionInterval() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedMeanSd() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedProportionSd() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedMeanSampleSize() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedProportionSampleSize() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedMeanOptimalAllocation() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedProportionOptimalAllocation() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedMeanMinCostAllocation() { return SelectionNotCoded(); }
int CTervoDoc::StratifiedProportionMinCostAllocation() { return SelectionNotCoded(); }

}  // namespace mirto
