// Not built yet: these commands end with "Selection not coded." after their
// preliminary form, until the family's routines land.
#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

namespace mirto {

std::vector<const FormTemplate*> UnequalFormTemplates() { return {}; }

int CTervoDoc::HheMeanPoint() { return SelectionNotCoded(); }
int CTervoDoc::HheProportionPoint() { return SelectionNotCoded(); }
int CTervoDoc::HheMeanInterval() { return SelectionNotCoded(); }
int CTervoDoc::HheProportionInterval() { return SelectionNotCoded(); }
int CTervoDoc::HheMeanSd() { return SelectionNotCoded(); }
int CTervoDoc::HheProportionSd() { return SelectionNotCoded(); }
int CTervoDoc::HteMeanPoint() { return SelectionNotCoded(); }
int CTervoDoc::HteProportionPoint() { return SelectionNotCoded(); }
int CTervoDoc::HteMeanInterval() { return SelectionNotCoded(); }
int CTervoDoc::HteProportionInterval() { return SelectionNotCoded(); }
int CTervoDoc::HteMeanSd() { return SelectionNotCoded(); }
int CTervoDoc::HteProportionSd() { return SelectionNotCoded(); }

}  // namespace mirto
