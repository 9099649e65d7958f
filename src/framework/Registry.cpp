#include "framework/Registry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "framework/Catalogue.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Segments(std::string_view path) {
  std::vector<std::string_view> out;
  for (;;) {
    std::size_t gt = path.find('>');
    out.push_back(Trim(path.substr(0, gt)));
    if (gt == std::string_view::npos) return out;
    path.remove_prefix(gt + 1);
  }
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool SamePath(std::string_view a, std::string_view b) {
  auto sa = Segments(a), sb = Segments(b);
  return std::equal(sa.begin(), sa.end(), sb.begin(), sb.end(), SameText);
}

bool IsRandomization(const Command& c) { return c.approach == Approach::Randomization; }

template <class Visit>
void ForEachRow(Visit&& visit) {
  for (const Family* family : CommandCatalogue().families)
    for (const CommandTable* table : family->tables)
      for (const Command& c : table->commands) visit(c);
}

// The menu commands in menu order. Families list their rows by file, so a
// submenu's items may come from several tables (the added commands end the
// submenus of other families): each row goes where its path's submenus first
// appear, and after the rows before it in the same submenu.
std::vector<Command> MenuOrder() {
  std::vector<const Command*> rows;
  ForEachRow([&](const Command& c) {
    if (!c.IsStatement()) rows.push_back(&c);
  });
  std::map<std::string, std::size_t> firstSeen;
  std::vector<std::vector<std::size_t>> keys(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string prefix;
    for (std::string_view segment : Segments(rows[i]->path)) {
      prefix += std::string(segment) + '>';
      keys[i].push_back(firstSeen.try_emplace(prefix, i).first->second);
    }
  }
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<Command> commands;
  for (std::size_t i : order) commands.push_back(*rows[i]);
  return commands;
}

const std::vector<Command>& MenuCommands() {
  static const std::vector<Command> commands = MenuOrder();
  return commands;
}

}  // namespace

std::span<const Command> Commands() { return MenuCommands(); }

std::span<const Command* const> StatementCommands() {
  static const std::vector<const Command*> statements = [] {
    std::vector<const Command*> out;
    ForEachRow([&](const Command& c) {
      if (c.IsStatement()) out.push_back(&c);
    });
    return out;
  }();
  return statements;
}

std::span<const LabelItem> LabelItems() {
  static const std::vector<LabelItem> labels = [] {
    const Catalogue& catalogue = CommandCatalogue();
    std::vector<LabelItem> out(catalogue.labels.begin(), catalogue.labels.end());
    for (const Family* family : catalogue.families) out.insert(out.end(), family->labels.begin(), family->labels.end());
    return out;
  }();
  return labels;
}

std::span<const PredictionRoute> PredictionRoutes() {
  static const std::vector<PredictionRoute> routes = [] {
    std::vector<PredictionRoute> out;
    for (const Family* family : CommandCatalogue().families)
      for (const CommandTable* table : family->tables)
        out.insert(out.end(), table->routes.begin(), table->routes.end());
    return out;
  }();
  return routes;
}

const Command* FindCommand(int id) {
  for (const Command& c : Commands())
    if (c.id == id) return &c;
  return nullptr;
}

const Command* PredictionCommand() {
  for (const Command& c : Commands())
    if (c.approach == Approach::Prediction) return &c;
  return nullptr;
}

int FindCommandId(std::string_view path) {
  for (const Command& c : Commands())
    if (SamePath(path, c.path)) return c.id;
  return 0;
}

Route FindRoute(Method method, Target target, Objective objective, Estimator estimator) {
  const bool byEstimator = method == Method::Simple;
  for (const Command& c : Commands()) {
    if (IsRandomization(c) && c.method == method && c.target == target && c.objective == objective &&
        (!byEstimator || c.estimator == estimator))
      return {&c, c.step};
  }
  if (byEstimator) return {nullptr, nullptr};
  // No routine for the target: the form the objective shows for every target, if they agree.
  const PreliminaryStep* shared = nullptr;
  bool found = false;
  for (const Command& c : Commands()) {
    if (!IsRandomization(c) || c.method != method || c.objective != objective) continue;
    if (found && c.step != shared) return {nullptr, nullptr};
    shared = c.step;
    found = true;
  }
  return {nullptr, shared};
}

const PredictionRoute* FindPredictionRoute(PredictionModel model, Objective objective) {
  const bool modelE = !(model >= PredictionModel::A && model <= PredictionModel::D);
  for (const PredictionRoute& r : PredictionRoutes())
    if (r.modelE == modelE && r.objective == objective) return &r;
  return nullptr;
}

bool RunPreliminaryStep(CTervoDoc& doc, const PreliminaryStep& step, FormContext context) {
  bool accepted;
  {
    Form form(*step.form, context);
    if (!doc.Host().ShowForm(form)) return false;
    ReadItems<CalculatorState>(form, doc, step.items);
    accepted = step.accept(doc);
  }
  if (!accepted) doc.Host().Message(kIllegalEntry);
  return accepted;
}

}  // namespace mirto
