#include <gtest/gtest.h>

#include <QLineEdit>

#include "browser/ui/series_facts_dialog.h"

namespace voltrim::testing {
namespace {

// EMASTER's longer name gets a line of its own only when there is one to show.
TEST(SeriesFactsLongName, ShownOnlyWhereEmasterHoldsOne) {
  SeriesFacts facts;
  facts.name = "1/100 Dow Jones ";
  facts.symbol = ".DJX";
  const SeriesFactsDialog without(facts, nullptr);
  EXPECT_EQ(without.findChild<QLineEdit*>("Long name (EMASTER)"), nullptr);
  facts.longName = "1/100 Dow Jones INDU";
  SeriesFactsDialog with(facts, nullptr);
  EXPECT_EQ(with.ValueOf("Long name (EMASTER)"), "1/100 Dow Jones INDU");
}

}  // namespace
}  // namespace voltrim::testing
