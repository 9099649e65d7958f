// Not built yet: these commands end with "Selection not coded." after their
// preliminary form, until the family's routines land.
#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

namespace mirto {

std::vector<const FormTemplate*> PredictionFormTemplates() { return {}; }

int CTervoDoc::PredictionDispatch() { return SelectionNotCoded(); }
int CTervoDoc::PredictPoint() { return SelectionNotCoded(); }
int CTervoDoc::PredictInterval() { return SelectionNotCoded(); }
int CTervoDoc::PredictErrorVariance() { return SelectionNotCoded(); }
int CTervoDoc::PredictModelE() { return SelectionNotCoded(); }

}  // namespace mirto
