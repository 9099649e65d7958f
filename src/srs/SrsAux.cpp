// Not built yet: these commands end with "Selection not coded." after their
// preliminary form, until the family's routines land.
#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

namespace mirto {

std::vector<const FormTemplate*> SrsAuxFormTemplates() { return {}; }

int CTervoDoc::SrsAuxPoint() { return SelectionNotCoded(); }
int CTervoDoc::SrsAuxInterval() { return SelectionNotCoded(); }
int CTervoDoc::SrsAuxSd() { return SelectionNotCoded(); }
int CTervoDoc::SrsAuxSampleSize() { return SelectionNotCoded(); }
int CTervoDoc::SrsMeansRatioPoint() { return SelectionNotCoded(); }
int CTervoDoc::SrsMeansRatioInterval() { return SelectionNotCoded(); }
int CTervoDoc::SrsMeansRatioSd() { return SelectionNotCoded(); }
int CTervoDoc::SrsMeansRatioSampleSize() { return SelectionNotCoded(); }

}  // namespace mirto
