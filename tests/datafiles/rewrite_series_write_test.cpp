#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fixtures.h"

namespace voltrim::testing {
namespace {

// ACME (file 1) beside OTHER (file 2), which a rewrite of ACME leaves untouched.
struct Acme {
  explicit Acme(const SeriesSpec& acme) : series(acme) {
    dir = Write(temp.path() / "p",
                Portfolio({SeriesEntry(acme), Symbol(2, "OTHER", "OTHER INC", 3)}));
    before = TakeSnapshot(temp.path());
  }
  explicit Acme(const std::vector<DailyQuote>& quotes)
      : Acme(MakeDailySeries(1, "ACME", "ACME CORP", quotes)) {}
  Status Run(const SeriesEdit& edit) const { return RewriteSeries(edit, dir, "ACME"); }
  Bytes File(const std::string& name) const { return ReadFileBytes(temp.path() / "p" / name); }
  // A rewrite keeps the old DAT as the backup and leaves no temporary behind.
  void ExpectDatAndBackup(const Bytes& dat) const {
    EXPECT_EQ(File("F1.DAT"), dat);
    EXPECT_EQ(File("F1.BAK"), before.at("p/F1.DAT"));
    EXPECT_FALSE(fs::exists(temp.path() / "p" / "F1.NEW"));
  }

  TempDir temp;
  SeriesSpec series;
  std::string dir;
  Snapshot before;
};

// A scale of a long series goes four records at a time where four in a row are in range,
// one by one elsewhere; both must give every field exactly MbfToIeee, the product and
// IeeeToMbf, odd stored values included (a zero with a nonzero mantissa, the tiniest MBF
// exponent, negative values), and refuse the whole file when one product has no MBF form.
// A set stores its values. Values are found through the DOP file, whose order need not be
// the stored one; quotes outside the range, and fields no keyword names, are copied as stored.
TEST(RewriteSeries, SetOrScaleOfManyQuotesChangesEachFieldInItsStoredPosition) {
  const std::vector<DailyQuote> quotes = Quotes(23);
  const DayNumber first = quotes[2].day, last = quotes[17].day;  // quotes 2 to 17
  struct Odd {
    int quote;
    int field;  // stored position, 0-based
    MbfBytes bytes;
  };
  const struct {
    const char* what;
    std::vector<Field> fields;  // stored order
    std::string dop;
    std::array<float, 6> factors;
    std::vector<Odd> odd;
    Status expected;
    std::int16_t kind = edit_kind::kScaleRange;
  } cases[] = {
      {"seven fields",
       {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol, Field::Oi},
       "",
       {2, 0.5f, -1, 1e-3f, 3, 0},
       {{5, 1, {0x12, 0x34, 0x56, 0}},
        {9, 2, {1, 0, 0, 2}},
        {10, 3, IeeeToMbf(-3.5f)},
        {1, 4, {0x12, 0x34, 0x56, 0}},
        {13, 5, {}}},
       kOk},
      {"five fields, DOP order, one no keyword names",
       {Field::Date, Field::Close, Field::Open, Field::Vol, Field::Oi},
       "\"DATE\",0,0\n\"CLOSE\",2,2\n\"OPEN\",2,2\n\"VOL\",0,0\n\"XTRA\",0,0\n",
       {1.5f, 1, 1, 0.25f, 7, 7},
       {{8, 2, {0x12, 0x34, 0x56, 0}}, {19, 1, IeeeToMbf(-0.0f)}},
       kOk},
      {"set, DOP order, one no keyword names",
       {Field::Date, Field::Close, Field::Open, Field::Vol, Field::Oi},
       "\"DATE\",0,0\n\"CLOSE\",2,2\n\"OPEN\",2,2\n\"VOL\",0,0\n\"XTRA\",0,0\n",
       {7, 1, 1, 8, 9, 9},
       {{8, 2, {0x12, 0x34, 0x56, 0}}, {19, 1, {0x12, 0x34, 0x56, 0}}},
       kOk,
       edit_kind::kSet},
      {"a product past MBF in a run of four",
       {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol},
       "",
       {1, 1, 1, 1, 2e19f, 1},  // Vol
       {{6, 5, IeeeToMbf(1e19f)}},
       kNoMbfForm},
      {"a product past MBF one by one",
       {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol},
       "",
       {1, 1, 1, 1, 2e19f, 1},  // Vol
       {{17, 5, IeeeToMbf(1e19f)}},
       kNoMbfForm},
      {"a stored exponent that reads as no number",
       {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol},
       "",
       {2, 2, 2, 2, 2, 2},
       {{12, 2, {0, 0, 0, 1}}},
       kNoMbfForm},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SeriesSpec acme = MakeDailySeries(1, "ACME", "ACME CORP", quotes);
    acme.fields = c.fields;
    for (RawRecord& record : acme.records) record.resize(c.fields.size(), 17.0f);
    Acme a(acme);
    if (!c.dop.empty()) WriteText(a.temp.path() / "p" / "F1.DOP", c.dop);
    const std::size_t length = 4 * c.fields.size();
    Bytes dat = a.before.at("p/F1.DAT");
    for (const Odd& odd : c.odd) {
      const std::size_t at = length * static_cast<std::size_t>(odd.quote + 1) +
                             4 * static_cast<std::size_t>(odd.field);
      std::copy(odd.bytes.begin(), odd.bytes.end(), dat.begin() + static_cast<std::ptrdiff_t>(at));
    }
    WriteFileBytes(a.temp.path() / "p" / "F1.DAT", dat);
    a.before = TakeSnapshot(a.temp.path());

    ASSERT_EQ(a.Run(Edit(c.kind, first, last, c.factors)), c.expected);
    if (c.expected != kOk) {
      EXPECT_EQ(TakeSnapshot(a.temp.path()), a.before);
      continue;
    }
    Bytes expected = dat;
    for (int q = 2; q <= 17; ++q) {
      for (std::size_t position = 0; position < c.fields.size(); ++position) {
        // Fields by the DOP's names: the fifth stored field of the second case has none.
        const std::size_t k = static_cast<std::size_t>(c.fields[position]) - 2;
        if (c.fields[position] == Field::Date || (!c.dop.empty() && position == 4)) continue;
        std::uint8_t* field =
            expected.data() + length * static_cast<std::size_t>(q + 1) + 4 * position;
        IeeeToMbf(c.kind == edit_kind::kSet ? c.factors[k] : MbfToIeee(field) * c.factors[k],
                  field);
      }
    }
    a.ExpectDatAndBackup(expected);
  }
}

TEST(RewriteSeries, DeleteMovesMasterDatesOnlyAtTheEnds) {
  struct Case {
    int quotes, index;
    int firstFrom, lastFrom;  // quotes whose dates MASTER holds afterwards; -1: unchanged
  };
  for (const Case c :
       {Case{4, 0, 1, 3}, Case{4, 3, 0, 2}, Case{4, 1, -1, -1}, Case{1, 0, -1, -1}}) {
    SCOPED_TRACE(::testing::Message() << c.index << " of " << c.quotes);
    const auto quotes = Quotes(c.quotes);
    const Acme a(quotes);
    const DayNumber day = quotes[static_cast<std::size_t>(c.index)].day;
    ASSERT_EQ(a.Run(Edit(edit_kind::kDelete, day, day)), kOk);
    a.ExpectDatAndBackup(DatWith(a.series, [&](auto& r) { r.erase(r.begin() + c.index); }));
    Bytes master = a.before.at("p/MASTER");
    if (c.firstFrom >= 0) {
      for (const auto& [at, from] : {std::pair{53 + 25, c.firstFrom}, {53 + 29, c.lastFrom}}) {
        const MbfBytes mbf = DayToDateFloat(quotes[static_cast<std::size_t>(from)].day);
        std::copy(mbf.begin(), mbf.end(), master.begin() + at);
      }
    }
    EXPECT_EQ(a.File("MASTER"), master);
  }
}

TEST(RewriteSeries, InsertCopiesOnlyTheFirstOfTwoQuotesOfTheDay) {
  std::vector<DailyQuote> quotes = Quotes(3, Day(2000, 1, 6));  // Thu, Fri, Mon
  quotes.push_back(quotes[2]);
  quotes[3].close = 99.0f;  // the second Monday quote, told apart by its close
  const DayNumber monday = Day(2000, 1, 10);
  const Acme a(quotes);
  ASSERT_EQ(a.Run(Edit(edit_kind::kInsert, monday, monday)), kOk);
  a.ExpectDatAndBackup(DatWith(a.series, [](auto& r) {  // header grew by exactly one
    r.insert(r.begin() + 2, r[2]);
    r[2][0] = DayToDateValue(Day(2000, 1, 7));  // the Friday before
  }));
  EXPECT_EQ(a.File("MASTER"), a.before.at("p/MASTER"));  // an insert leaves MASTER's dates alone
}

}  // namespace
}  // namespace voltrim::testing
