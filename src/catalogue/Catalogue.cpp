// The command catalogue: every family's descriptor, in the order their
// commands first appear in the "Select approach:" menu, then the families of
// script statements. The only file that knows every family; the framework
// reads it through framework/Catalogue.h.
#include "framework/Catalogue.h"

#include "cluster/Cluster.h"
#include "extras/Additional.h"
#include "extras/Commands.h"
#include "prediction/Prediction.h"
#include "select/Report.h"
#include "srs/Srs.h"
#include "stratified/Stratified.h"
#include "survey/Report.h"
#include "unequal/Unequal.h"

namespace mirto {
namespace {

constexpr const Family* kFamilies[] = {&srs::kFamily,        &stratified::kFamily, &cluster::kFamily, &unequal::kFamily,
                                       &prediction::kFamily, &extras::kFamily,     &select::kFamily,  &survey::kFamily};

// Heads the methods, which come from every family.
constexpr LabelItem kRootLabels[] = {{32940, "Method:", "", ""}};

constexpr Catalogue kCatalogue{kFamilies, kRootLabels, &extras::FollowingBlock, &extras::AdditionalFiguresHelp};

}  // namespace

const Catalogue& CommandCatalogue() { return kCatalogue; }

}  // namespace mirto
