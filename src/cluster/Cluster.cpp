// Not built yet: these commands end with "Selection not coded." after their
// preliminary form, until the family's routines land.
#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

namespace mirto {

std::vector<const FormTemplate*> ClusterFormTemplates() { return {}; }

int CTervoDoc::ClusterMeanPoint() { return SelectionNotCoded(); }
int CTervoDoc::ClusterProportionPoint() { return SelectionNotCoded(); }
int CTervoDoc::ClusterMeanInterval() { return SelectionNotCoded(); }
int CTervoDoc::ClusterProportionInterval() { return SelectionNotCoded(); }
int CTervoDoc::ClusterMeanSd() { return SelectionNotCoded(); }
int CTervoDoc::ClusterProportionSd() { return SelectionNotCoded(); }

}  // namespace mirto
