// Reading a confirmed form through its items, and a reader that disagrees
// with its template failing loudly.
#include "framework/Entry.h"

#include <gtest/gtest.h>

#include "framework/PreliminaryForms.h"
#include "prediction/PredictionForms.h"

namespace mirto::test {
namespace {

struct Row {
  int count = -1;
  double size = -1, real = -1, probability = -1, z = -1;
  SpecialTarget choice = SpecialTarget::MeanOrProportion;
};

TEST(Entry, ItemsStoreAsReadExceptDisabledFieldsAndUnselectedLevels) {
  // The prediction interval form under Model A: the sum of squares is greyed.
  Form form(kPredictionIntervalForm, FormContext{.model = PredictionModel::A});
  const std::vector<std::size_t> inputs = form.Inputs();
  ASSERT_EQ(inputs.size(), 4u);
  form.SetText(inputs[0], " 12 ");
  form.SetText(inputs[1], "+3");
  form.SetText(inputs[2], "2.5e2");
  const Item<Row> items[] = {WholeItem(&Row::count), WholeAsRealItem(&Row::size), RealItem(&Row::real),
                             RealItem(&Row::z), LevelItem(&Row::probability, &Row::z)};
  Row row;
  ReadItems<Row>(form, row, items);
  EXPECT_EQ(row.count, 12);
  EXPECT_EQ(row.size, 3.0);  // integer reading, kept as a double
  EXPECT_EQ(row.real, 250.0);
  EXPECT_EQ(row.z, -1);  // the greyed field stored nothing; no level kept the pair
  EXPECT_EQ(row.probability, -1);
  form.SetSelection(inputs[3], 3);
  ReadItems<Row>(form, row, items);
  EXPECT_DOUBLE_EQ(row.probability, 0.80);
  EXPECT_DOUBLE_EQ(row.z, 1.282);
  // Text that is not wholly a number (the hosts refuse it before OK) reads as 0.
  form.SetText(inputs[0], "12abc");
  form.SetText(inputs[1], "3.7");
  form.SetText(inputs[2], "1,5");
  ReadItems<Row>(form, row, items);
  EXPECT_EQ(row.count, 0);
  EXPECT_EQ(row.size, 0.0);
  EXPECT_EQ(row.real, 0.0);
}

TEST(Entry, ChoiceReadsTheSpecialTarget) {
  Form form(kMeanAccuracyForm);
  form.Choose(form.Inputs()[1], 2);
  Row row;
  const Item<Row> items[] = {WholeItem(&Row::count), ChoiceItem(&Row::choice), RealItem(&Row::real),
                             LevelItem(&Row::probability, &Row::z)};
  ReadItems<Row>(form, row, items);
  EXPECT_EQ(row.choice, SpecialTarget::TotalOrNumber);
}

#ifndef NDEBUG
TEST(EntryDeathTest, AReaderThatDisagreesWithItsTemplateFailsLoudly) {
  const Form form(kGroupCountForm);  // one field
  EXPECT_DEATH(
      {
        FormReader r(form);
        r.Integer();
        r.Real();
      },
      "past the last field");
  EXPECT_DEATH(
      {
        FormReader r(form);
        double p = 0;
        r.Level(p, p);
      },
      "another kind of field");
  Row row;
  const Item<Row> two[] = {WholeItem(&Row::count), RealItem(&Row::real)};
  EXPECT_DEATH(ReadItems<Row>(form, row, two), "disagree on the fields");
  // A whole-number field read as a real, and a real one as a whole number.
  const Item<Row> real[] = {RealItem(&Row::real)};
  EXPECT_DEATH(ReadItems<Row>(form, row, real), "whole-number field read as a real");
  const Form budget(kBudgetForm);  // the count, then two reals
  const Item<Row> wholes[] = {WholeItem(&Row::count), WholeItem(&Row::count), RealItem(&Row::real)};
  EXPECT_DEATH(ReadItems<Row>(budget, row, wholes), "real field read as a whole number");
}
#else
TEST(EntryDeathTest, AReaderThatDisagreesWithItsTemplateFailsLoudly) {
  GTEST_SKIP() << "assertions are compiled out of this build; the debug build runs this test";
}
#endif

}  // namespace
}  // namespace mirto::test
