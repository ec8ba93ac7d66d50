#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "cli_run.h"
#include "datafiles/fixtures.h"
#include "datafiles/format/series.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The bytes each write leaves, and each undo, are compared with the core's over the table of
// write commands; here: what only voltrim-cli shows, its words, exits and refusals. src holds
// ACME (1) and BETA (2), dst OTHER (1), bars BARS (three days of four bars), twins ACME (1)
// and acme (2), multi AAA (1) and B,B (2), cut the same with F2.DAT cut short, and small AAA
// (1, with format codes of its own in F1.DOP) and BB (2, no quotes), ab A and B (1, 2).
class CliWriteTest : public CliTest {
 protected:
  void SetUp() override {
    Write(temp_.path() / "src",
          Portfolio({SeriesEntry(AcmeSeries()), Symbol(2, "BETA", "BETA INC", 1)}));
    Write(temp_.path() / "dst", Portfolio({Symbol(1, "OTHER", "OTHER CO", 1)}));
    Write(temp_.path() / "bars", BarPortfolio());
    Write(temp_.path() / "twins", Portfolio({Symbol(1, "ACME", "UPPER"), Symbol(2, "acme")}));
    for (const char* name : {"multi", "cut"})
      Write(temp_.path() / name, Portfolio({Symbol(1, "AAA", "", 2), Symbol(2, "B,B", "", 1)}));
    fs::resize_file(temp_.path() / "cut" / "F2.DAT", 30);
    Write(temp_.path() / "ab", PortfolioOf({"A", "B"}));
    PortfolioSpec full = Portfolio({Symbol(1, "ONE")});
    full.headerRecordCount = 255;
    Write(temp_.path() / "full", full);
    const std::vector<DailyQuote> aaa = {
        {YmdToDay(1999, 12, 31), 10.5f, 11.0f, 10.0f, 10.75f, 1200.0f},
        {YmdToDay(2000, 1, 3), 10.75f, 12.0f, 10.5f, 11.5f, 1500.0f}};
    Write(temp_.path() / "small",
          Portfolio({SeriesEntry(MakeDailySeries(1, "AAA", "ALPHA", aaa)),
                     SeriesEntry(MakeDailySeries(2, "BB", "BETA", {}, false))}));
    WriteText(temp_.path() / "small" / "F1.DOP",
              "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n"
              "\"CLOSE\",-3,2\r\n\"VOL\",0,1000\r\n");
    for (const auto& [name, text] : std::map<std::string, std::string>{
             {"bad.csv", "Date,Close\n2000-01-03,1\n2000-01-04,1..5\n"},
             {"empty.csv", "Date,Close\n"},
             {"dup.csv", "Date,Close\n2000-01-10,1\n2000-01-12,1\n2000-01-10,2\n"},
             {"two.csv", "Date,Close\n2000-01-06,1\n2000-01-08,1\n"},
             {"oi.csv", "Date,Close,OpenInt\n2000-01-11,7,3\n"},
             // For the update of ab (A and B): one.csv sound, the others each with a fault.
             {"one.csv", "symbol,date,close\nA,2000-02-01,9\n"},
             {"number.csv", "symbol,date,close\nB,2000-02-01,9\nB,2000-02-02,x\n"},
             {"per.csv", "ticker,per,date,close\nB,D,20000201,9\nA,I,20000202,9\n"},
             {"other.csv", "symbol,date,close\nB,2000-02-01,9\nA,2000-01-03,1\n"},
             {"twice.csv", "symbol,date,close\nNOSUCH,2000-02-01,9\nNOSUCH,2000-02-01,8\n"},
             {"day.csv", "symbol,date,close\nA,2000-01-03,1\nB,2000-02-30,1\n"},
             {"nope.csv", "ticker,per,date,close\nA,D,20000103,1\nA,X,20000104,1\n"},
             {"intra.csv", "ticker,per,date,close\nA,D,20000103,1\nA,5,20000104,1\n"},
             {"gap.csv", "symbol,date,close,oi\nB,2000-01-03,1,5\nB,2000-01-04,1,\n"},
             {"nosym.csv", "date,close\n2000-01-03,1\n"},
             {"unknown.csv", "symbol,date,close\nB,2000-02-01,9\nNOSUCH,2000-02-01,9\n"}})
      WriteText(temp_.path() / name, text);
  }

  // Runs the line and compares what it printed; a text that does not end a line need only
  // be a part of it.
  void ExpectRun(const std::string& line, int exitCode, const std::string& out,
                 const std::string& err) const {
    SCOPED_TRACE(line);
    const CliResult r = RunLine(line);
    EXPECT_EQ(r.exitCode, exitCode);
    for (const auto& [got, want] : {std::pair{r.out, Expand(out)}, {r.err, Expand(err)}}) {
      if (!want.empty() && want.back() != '\n') {
        EXPECT_NE(got.find(want), std::string::npos) << got;
      } else {
        EXPECT_EQ(got, want);
      }
    }
  }
};

// Every refusal exits with its code (2: the command line; 1: the request) and message and
// leaves every file as it was. A usage error is checked for the words that name the mistake.
TEST_F(CliWriteTest, RefusalsSayWhyAndChangeNothing) {
  // Folders in the way of the new files make the writes fail for a reason of the system.
  fs::create_directory(temp_.path() / "src" / "F1.NEW");
  fs::create_directory(temp_.path() / "src" / "MASTER.NEW");
  fs::create_directory(temp_.path() / "src" / "MASTER.~NU");
  // Damaged copies of small: reads fail whole, never with partial data; names that are not
  // regular files fail at once (a FIFO would wait for ever).
  for (const char* name : {"short", "gone", "fifo", "mfifo", "bare"})
    fs::copy(temp_.path() / "small", temp_.path() / name);
  fs::resize_file(temp_.path() / "short" / "F1.DAT",
                  fs::file_size(temp_.path() / "small/F1.DAT") - 24);
  for (const char* file : {"gone/F1.DAT", "fifo/F1.DAT", "mfifo/MASTER", "bare/MASTER"})
    fs::remove(temp_.path() / file);
  for (const char* file : {"fifo/F1.DAT", "mfifo/MASTER"})
    ASSERT_EQ(mkfifo((temp_.path() / file).c_str(), 0600), 0);
  const Snapshot before = TakeSnapshot(temp_.path());
  // Mistakes of the command line: no field named, a number not typeable, one too long, ...
  for (const char* line : {"",
                           "no-such-command",
                           "export {src} ACME --delimiter semi",
                           "scan --filter stocks",
                           "edit {src} ACME 01/04/00",
                           "edit {src} ACME 01/04/00 --open -3",
                           "split {src} ACME 01/06/00 2",
                           "rename-symbol {src} BETA SEVENTEEN-CHARSXX",
                           "import {src} ACME",
                           "import {src} ACME bad.csv --keep --replace",
                           "new-symbol {src} X --columns 8",
                           "new-symbol {src} SEVENTEEN-CHARSXX",
                           "new-symbol {src} X --name SEVENTEEN-CHARSXX",
                           "new-portfolio",
                           "export {multi} AAA --all",
                           "export {multi}",
                           "export {multi} --all --format xml",
                           "delete-symbol {src}",
                           "move-symbol {src} {dst}",
                           "copy-symbol {src} {dst} --from-file",
                           "export {multi} --all --format csv --delimiter tab"}) {
    const CliResult r = RunLine(line);
    EXPECT_EQ(r.exitCode, 2) << line;
    EXPECT_EQ(r.out, "") << line;
  }
  const std::string kFull =
      "The portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new "
      "portfolio.\n";
  const auto unreadable = [](const std::string& file, const std::string& why) {
    return file + " cannot be read for the update.\n\n" + why + "\n\nNothing was changed.\n";
  };
  const struct {
    std::string line;
    int exitCode;
    std::string err;
  } refusals[] = {
      {"export {tmp}/nothing --all", 1, "No MASTER file in {tmp}/nothing\n"},
      // --time is refused for a daily series and for a text that is no storable time.
      {"edit {src} ACME 01/04/00 --time 09:00 --open 1", 2, "ACME has no time"},
      {"delete-quote {src} ACME 01/04/00 --time 09:00", 2, "ACME has no time"},
      {"add-quote {src} ACME 01/04/00 --time 09:00", 2, "ACME has no time"},
      {"delete-quote {bars} BARS 11/14/13 --time 9:05", 2, "HH:MM"},
      {"edit {src} ACME 01/05/00 --open 3", 1, "No quote is dated 01/05/00.\n"},
      {"edit {src} NOSUCH 01/04/00 --open 3", 1, "Symbol \"NOSUCH\" not found in {src}\n"},
      {"delete-quote {src} ACME 01/05/00", 1,
       "failure in delete quote for findrec\nDelete Edit Failed\n"},
      {"add-quote {src} ACME 01/04/00", 1, "Date 01/03/00 already exists.\n"},
      // Monday 01/10/00, whose quote the new Friday would copy, is missing.
      {"add-quote {src} ACME 01/08/00", 1, "Add Quote Failed\n"},
      {"add-quote {src} ACME 01/03/00", 1, "A quote cannot be added before the oldest quote.\n"},
      {"edit {bars} BARS 11/14/13 --time 09:06 --open 1", 1,
       "No bar is dated 11/14/13 at 09:06:00.\n"},
      {"edit {bars} BARS 11/14/13 --time 09:05 --new-time 09:10", 1,
       "Choose a time between 09:00:00 and 09:10:00"},
      {"add-quote {bars} BARS 11/14/13 --time 09:05", 1,
       "Date 11/14/13 09:05:00 already exists.\n"},
      {"delete-quote {bars} BARS 11/14/13 --time 09:06", 1, "failure in delete quote for findrec"},
      {"repair {tmp}/none", 1, "{tmp}/none is not a folder\n"},
      {"export {src} NOPE", 1, "Cannot read the quotes of NOPE in {src}\n"},
      // After the program's own text, the file and the system's reason.
      {"export {src} ACME -o {tmp}/none/x.txt", 1,
       "file export error: {tmp}/none/x.txt: No such file or directory\n"},
      {"edit {src} ACME 01/04/00 --open 3", 1, "Single Date Edit Failed: {src}/F1.NEW: {EISDIR}\n"},
      {"rename-symbol {src} BETA BX", 1,
       "The Symbol edit failed.\n\nNothing was changed.\n{src}/MASTER.NEW: {EISDIR}\n"},
      {"split-search {tmp}/nothing", 1, "Failure while filling symbols grid\n"},
      {"import {src} ACME bad.csv", 1,
       "bad.csv cannot be imported.\n\nLine 3: \"1..5\" in column Close is not a number.\n\n"
       "Nothing was changed.\n"},
      {"import {src} NONE bad.csv", 1, "Symbol \"NONE\" not found in {src}\n"},
      {"import {src} ACME empty.csv", 1,
       "empty.csv cannot be imported: the file holds no quotes.\n\nNothing was changed.\n"},
      {"import {src} ACME dup.csv", 1,
       "dup.csv cannot be imported.\n\nLines 2 and 4 both hold a quote of 01/10/00.\n\nNothing "
       "was changed.\n"},
      {"import {src} ACME two.csv", 1,
       "two.csv gives other values for 2 quotes ACME already holds: 01/06/00 and 01/08/00.\n\n"
       "Nothing was changed. Run the import again with --replace to store the file's values, or "
       "with --keep to keep the stored quotes.\n"},
      {"import {src} ACME none.csv", 1, "none.csv cannot be read.\nnone.csv: {ENOENT}\n"},
      // An update names the file and line; nothing of any file is written.
      {"update {ab} one.csv number.csv", 1,
       unreadable("number.csv", "Line 3: \"x\" in column close is not a number.")},
      {"update {ab} one.csv per.csv", 1,
       "per.csv line 3: A is a daily series, and the line gives periodicity intraday.\n\nNothing "
       "was changed.\n"},
      {"update {ab} one.csv other.csv", 1,
       "The sources give other values for 1 quote A already holds: 01/03/00 (other.csv line "
       "3).\n\nNothing was changed. Run the update again with --replace to store the sources' "
       "values, or with --keep to keep the stored quotes.\n"},
      {"update {ab} one.csv twice.csv --create", 1,
       "twice.csv line 2 and twice.csv line 3 both hold a quote of NOSUCH of 02/01/00.\n\nNothing "
       "was changed.\n"},
      {"update {ab} one.csv day.csv", 1,
       unreadable("day.csv", "Line 3: \"2000-02-30\" is not a date.")},
      {"update {ab} one.csv nope.csv", 1,
       unreadable("nope.csv", "Line 3: \"X\" is not a periodicity (D, W, M, I or minutes).")},
      {"update {ab} one.csv intra.csv", 1,
       unreadable("intra.csv", "Line 3: the periodicity of A changes from D to I.")},
      {"update {ab} one.csv gap.csv", 1,
       unreadable("gap.csv", "Line 3: no value in column oi, where other lines of B have one.")},
      {"update {ab} one.csv nosym.csv", 1,
       unreadable("nosym.csv", "Line 1: no column is named Symbol or Ticker.")},
      {"new-symbol {src} acme", 1,
       "The Symbol addition failed.\n\nReason: Symbol acme already exists in\n{src}\n"},
      {"new-portfolio {src}", 1,
       "The portfolio could not be created.\n\nReason: {src} already holds a MASTER file.\n"},
      {"new-portfolio {tmp}", 1,
       "The portfolio could not be created.\n\nReason: {tmp} is not empty; a new portfolio "
       "needs a new or empty folder.\n"},
      {"new-portfolio {bad.csv}", 1,
       "The portfolio could not be created.\n\nReason: {bad.csv} is not a folder.\n"},
      {"new-symbol {src} ", 1, "You must enter a symbol\n"},
      {"new-symbol {full} NEW", 1, kFull},
      {"copy-symbol {src} ACME {full}", 1, kFull},
      {"move-symbol {src} NOSUCH {dst}", 1, "The Symbol move failed.\n\nNothing was changed.\n"},
      {"copy-symbol {src} ACME {twins}", 1,
       "The Symbol addition failed.\n\nReason: Symbol ACME already exists in\n{twins}\n"},
      {"delete-symbol {src} BETA", 1,
       "The Symbol deletion failed.\n\nNothing was changed.\n{src}/MASTER.~NU: {EISDIR}\n"},
      // Several symbols: every one is checked first, and every reason named.
      {"move-symbol {src} ACME NOSUCH BETA {twins}", 1,
       "Nothing was moved: 2 of the 3 Symbols cannot be.\n\nNot found in {src}: NOSUCH\n"
       "Already in {twins}: ACME\n"},
      {"copy-symbol {src} ACME BETA {full}", 1,
       "Nothing was copied: 2 of the 2 Symbols cannot be.\n\nNo room in {full}: ACME, BETA\n"},
      {"delete-symbol {src} ACME nosuch NOPE", 1,
       "Nothing was deleted: 2 of the 3 Symbols cannot be.\n\nNot found in {src}: nosuch, NOPE\n"},
      {"export {src} ACME NOPE -o {tmp}/two.txt", 1,
       "Nothing was exported: 1 of the 2 Symbols cannot be.\n\nNot found in {src}: NOPE\n"},
      {"delete-symbol {src} ACME BETA", 1,
       "Deleting the Symbols failed.\n\nNothing was changed.\n{src}/MASTER.~NU: {EISDIR}\n"},
      {"delete-symbol {src} ACME --from-file {tmp}/none.txt", 1,
       "{tmp}/none.txt cannot be read.\n{tmp}/none.txt: {ENOENT}\n"},
      {"sample {src}", 1, "nothing"},
      {"copy-symbol {src} ACME {multi}", 1, std::string(kPortfolioBusyMessage) + "\n"},
      // The newest quote is gone but the header still counts it: not shown twice.
      {"quotes {short} AAA", 1, "fewer quotes than its header counts"},
      {"quotes {gone} AAA", 1,
       "Error in FillQuotesGrid: {gone}/F1.DAT: {ENOENT}\n{gone}/F1.DAT cannot be opened\n"},
      {"quotes {fifo} AAA", 1,
       "Error in FillQuotesGrid: {fifo}/F1.DAT: not a regular file\n{fifo}/F1.DAT cannot be "
       "opened\n"},
      {"export {fifo} AAA", 1,
       "Cannot read the quotes of AAA in {fifo}: {fifo}/F1.DAT: not a regular file\n"},
      {"symbols {mfifo}", 1,
       "Failure while filling symbols grid: {mfifo}/MASTER: not a regular file\n{mfifo}/MASTER "
       "cannot be opened\n"},
      {"symbols {bare}", 1, "Failure while filling symbols grid\nNo MASTER file in {bare}\n"},
  };
  const FolderHolder desktop(temp_.path() / "multi");  // another program, past the wait
  lockWaitMs_ = "100";
  for (const auto& [line, exitCode, err] : refusals) ExpectRun(line, exitCode, "", err);
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
}

// In order, each with what it prints; a refused request changes nothing. Bars are counted
// and named (one bar given by its time: the odd-second test); a symbol given exactly is the one
// written even when another differs only in case, which is taken otherwise; imports say what they
// did with each quote and column.
TEST_F(CliWriteTest, CommandsSayWhatTheyDid) {
  WriteText(temp_.path() / "week.csv",
            "Date,Open,High,Low,Close,Adj Close,Volume\n2000-01-07,5,6,4,5.5,5.4,500\n"
            "2000-01-06,4,5,3,4.5,4.4,400\n2000-01-05,3,4,2,3.5,3.4,300\n");
  WriteText(temp_.path() / "next.csv", "Date,Close\n2000-01-07,5.5\n2000-01-06,9\n2000-01-10,6\n");
  WriteText(temp_.path() / "list.txt", " B,B \r\n\naaa\n");  // a blank line, blanks and CR
  // An EMASTER that does not mirror MASTER is left as it is, with a warning when MASTER changes
  // (a mirroring one is kept so by every write: the table of write commands).
  const fs::path own = Write(temp_.path() / "own", Portfolio({Symbol(1, "ACME", "ACME CORP", 5)}));
  Bytes stale = BuildEmasterBytes(ReadFileBytes(own / "MASTER"));
  stale[kEmasterRecordSize + emaster_offset::kSymbol] = 'X';
  WriteFileBytes(own / "EMASTER", stale);
  // A lower-case master file counts, and the scan sorts without regard to case.
  for (const char* master : {"scan/bonds/master", "scan/Stocks/MASTER"}) {
    fs::create_directories((temp_.path() / master).parent_path());
    WriteText(temp_.path() / master, "x");
  }
  // Lower-case file names, as some folders hold them, are written in place.
  const fs::path lower = Write(temp_.path() / "lower", Portfolio({Symbol(1, "LOW")}));
  fs::rename(lower / "MASTER", lower / "master");
  fs::rename(lower / "F1.DAT", lower / "F1.dat");
  const std::string older = "12/31/99\t10.5000\t11.0000\t10.0000\t10.7500\t1200\tN/A\n",
                    newer = "01/03/00\t10.7500\t12.0000\t10.5000\t11.5000\t1500\tN/A\n";
  const struct {
    std::string line;
    int exitCode;
    std::string out, err = "";
  } runs[] = {
      // Below the current folder by default; no settings are written.
      {"scan", 0,
       "{ab}\n{bars}\n{cut}\n{dst}\n{full}\n{lower}\n{multi}\n{own}\n{scan}/bonds\n{scan}/Stocks\n"
       "{small}\n{src}\n{twins}\n"},
      {"scan --drive / --filter {scan}/none", 1, "",
       "No master files found on drive /\n\n(Is your Portfolio Search Filter setting correct?)\n"},
      {"edit {lower} LOW 01/04/00 --close 9", 0, ""},
      {"quotes {lower} LOW", 0,
       "01/04/00\t11.0000\t11.5000\t10.5000\t9.0000\t1001\tN/A\n"
       "01/03/00\t10.0000\t10.5000\t9.5000\t10.2500\t1000\tN/A\n"},
      // --all prints each series' own export with its symbol in front (the export tests; one
      // series' CSV: the window-against-CLI table).
      {"export {multi} --all --omit open,high,low,vol,oi --newest-first --delimiter comma --title",
       0,
       "SYMBOL,DATE,CLOSE\r\nAAA,01/04/00,11.2500\r\nAAA,01/03/00,10.2500\r\nB,B,01/03/"
       "00,10.2500\r\n"},
      // Several symbols: the rows of each in the order given, the symbol first as --all.
      {"export {multi} B,B AAA --omit open,high,low,vol,oi --delimiter comma --title", 0,
       "SYMBOL,DATE,CLOSE\r\nB,B,01/03/00,10.2500\r\nAAA,01/03/00,10.2500\r\n"
       "AAA,01/04/00,11.2500\r\n"},
      {"export {multi} --from-file list.txt --format csv --omit open,high,low", 0,
       "symbol,date,time,close,volume,openint\n\"B,B\",2000-01-03,,10.25,1000,\n"
       "AAA,2000-01-03,,10.25,1000,\nAAA,2000-01-04,,11.25,1001,\n"},
      {"export {multi} --all --format csv --omit open,high,low", 0,
       "symbol,date,time,close,volume,openint\nAAA,2000-01-03,,10.25,1000,\n"
       "AAA,2000-01-04,,11.25,1001,\n\"B,B\",2000-01-03,,10.25,1000,\n"},
      {"quotes --help", 0, "Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]\nPrints one"},
      {"symbols {small}", 0, "AAA\tALPHA           \nBB\tBETA            \n"},
      {"quotes {small} aaa", 0, newer + older},
      {"quotes {small} ALPHA --oldest-first", 0, older + newer},
      {"quotes {small} BB", 0, ""},
      {"facts {small} AAA", 0,
       "Path: {small}\nFile number: 1\nDAT file record length: 24\nDAT file number of fields: 6\n"
       "Number of quotes: 2\nName of issue: ALPHA           \nFirst date in file: 991231\nLast "
       "date in file: 1000103\nData format: D Daily\nSymbol: AAA             \nListed in: "
       "MASTER\nData file: F1.DAT\nDate Input"},
      {"facts {small} AAA", 0, "\nTime Input:\nTime Display:\nOpen"},
      {"facts {small} AAA", 0, "\nVol Input: Whole Num.\nVol Display: 1,000s\nOI Input:"},
      {"sample {demo}", 0, "{demo}/Stocks\n{demo}/Futures\n{demo}/Legacy\n{demo}/Legacy/ARCHIVE\n"},
      {"check {bars}", 0, "", "No problems found; 1 series, 12 quotes checked\n"},
      {"check {src}", 1,
       "ACME\tF1.DAT\t01/04/00\tduplicate-date\tsame date as the quote ahead of it\n",
       "1 problem found; 2 series, 7 quotes checked\n"},
      {"split-search {src}", 0, "",
       "For symbol BETA\nSplitSearch cannot perform search\nas there are fewer than 2 "
       "quotes.\nNo candidate splits found\n"},
      {"facts {bars} BARS", 0,
       "Data format: I Intra-day\nSymbol: BARS            \nListed in: MASTER\nData file: "
       "F1.DAT\nTime frame: 5 minutes\nBars on first day: 4\nBars on last day: 4\nMost bars in "
       "a day: 4\nDate Input:"},
      {"edit {bars} BARS 11/14/13 --volume 5", 0, "Changed 4 bars dated 11/14/13.\n"},
      {"delete-quote {bars} BARS 11/14/13", 0, "Deleted 1 bar: 11/14/13 09:00:00.\n"},
      {"delete-quote {own} ACME 01/05/00", 0, ""},
      {"delete-quote {own} ACME 01/03/00", 0, "",  // the first quote: MASTER's dates change
       "Warning: the EMASTER file of {own} does not list the same series as its MASTER file; it "
       "is left unchanged.\n"},
      {"rename-symbol {twins} acme X", 0, ""},
      {"rename-symbol {twins} Acme Y", 0, ""},  // no exact match: the name is kept unless given
      {"symbols {twins}", 0, "Y\tUPPER           \nX\t                \n"},
      {"delete-symbol {twins} X", 0, ""},  // without asking
      // Unknown symbols are named and skipped; a dry run says the same and writes nothing.
      {"update {ab} one.csv unknown.csv --dry-run --verbose", 0,
       "A: 1 quote added, 0 replaced, 0 kept, 0 skipped (already stored).\n"
       "B: 1 quote added, 0 replaced, 0 kept, 0 skipped (already stored).\n"
       "NOSUCH: unknown, skipped.\n"
       "2 series: 2 updated, 0 unchanged, 0 created; 2 quotes added\n",
       "Unknown symbols, skipped: NOSUCH. Run the update with --create to add them as new "
       "series.\n"},
      {"new-portfolio {tmp}/p", 0, ""},
      {"new-symbol {tmp}/p abc --name ABC-CORP --columns 6", 0, ""},
      {"import {tmp}/p ABC week.csv", 0,
       "ABC: 3 quotes added, 0 replaced, 0 kept, 0 skipped (already stored).\n"
       "Columns ignored: Adj Close.\n"},
      {"quotes {tmp}/p abc", 0,
       "01/07/00\t5.0000\t6.0000\t4.0000\t5.5000\t500\tN/A\n"
       "01/06/00\t4.0000\t5.0000\t3.0000\t4.5000\t400\tN/A\n"
       "01/05/00\t3.0000\t4.0000\t2.0000\t3.5000\t300\tN/A\n"},
      // The next day's file overlaps: the same values are skipped, other ones refused first.
      {"import {tmp}/p abc next.csv", 1, "",
       "next.csv gives other values for 1 quote abc already holds: 01/06/00.\n\nNothing "
       "was changed. Run the import again with --replace to store the file's values, or "
       "with --keep to keep the stored quotes.\n"},
      {"import {tmp}/p abc next.csv --keep", 0,
       "abc: 1 quote added, 0 replaced, 1 kept, 1 skipped (already stored).\n"
       "Columns the file does not hold, stored as 0 in new quotes: Open, High, Low and "
       "Volume.\n"},
      {"import {tmp}/p abc next.csv --replace", 0,
       "abc: 0 quotes added, 1 replaced, 0 kept, 2 skipped (already stored).\nColumns the file "
       "does not hold, stored as 0 in new quotes: Open, High, Low and Volume.\n"},
      // Replaced, a quote keeps the values the file lacks.
      {"quotes {tmp}/p abc", 0,
       "01/10/00\t0.0000\t0.0000\t0.0000\t6.0000\t0\tN/A\n"
       "01/07/00\t5.0000\t6.0000\t4.0000\t5.5000\t500\tN/A\n"
       "01/06/00\t4.0000\t5.0000\t3.0000\t9.0000\t400\tN/A\n"
       "01/05/00\t3.0000\t4.0000\t2.0000\t3.5000\t300\tN/A\n"},
      {"import {tmp}/p abc oi.csv", 0,
       "abc: 1 quote added, 0 replaced, 0 kept, 0 skipped (already stored).\nColumns the series "
       "does not hold, left out: OpenInt.\nColumns the file does not hold, stored as 0 in new "
       "quotes: Open, High, Low and Volume.\n"},
  };
  for (const auto& [line, exitCode, out, err] : runs) {
    const Snapshot before = TakeSnapshot(temp_.path());
    ExpectRun(line, exitCode, out, err);
    if (exitCode != 0 || line.find("--dry-run") != std::string::npos) {
      EXPECT_EQ(TakeSnapshot(temp_.path()), before) << line;
    }
  }
  EXPECT_EQ(ReadFileBytes(own / "EMASTER"), stale);
  EXPECT_FALSE(fs::exists(lower / "F1.DAT"));
  EXPECT_FALSE(fs::exists(temp_.path() / "config"));
  // The file is replaced once complete, and a series that fails is left out and named.
  ExpectRun("export {cut} --all -o {tmp}/all.txt", 1, "",
            "B,B (F2.DAT) skipped: a file cannot be read\n");
  EXPECT_EQ(ReadText(temp_.path() / "all.txt"),
            "AAA 01/03/00 10.0000 10.5000 9.5000 10.2500 1000.00 N/A\r\n"
            "AAA 01/04/00 11.0000 11.5000 10.5000 11.2500 1001.00 N/A\r\n");
  // Without -o or other choices, voltrim-cli exports a whole portfolio itself, without its
  // commands' module (and Qt): the same bytes, messages and status as the commands' export,
  // which a copy of the program alone cannot reach.
  const fs::path alone = temp_.path() / "alone";
  fs::create_directory(alone);
  fs::copy_file(VOLTRIM_CLI_PATH, alone / "voltrim-cli");
  const auto runAlone = [&](const std::string& line) {
    const std::string out = Expand("{alone}/out"), err = Expand("{alone}/err");
    const int status =
        std::system(((alone / "voltrim-cli").string() + " " + line + " >" + out + " 2>" + err).c_str());
    return CliResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
  };
  for (const char* portfolio : {"{cut}", "{multi}", "{small}"}) {
    for (const char* format : {"--format=text", "--format=CSV"}) {
      SCOPED_TRACE(std::string(portfolio) + " " + format);
      const std::string line = "export " + Expand(portfolio) + " --all " + format;
      const CliResult quick = runAlone(line);
      const CliResult full = RunLine(line + " -o {tmp}/full.txt");
      EXPECT_EQ(quick.out, ReadText(temp_.path() / "full.txt"));
      EXPECT_EQ(quick.err, full.err);
      EXPECT_EQ(quick.exitCode, full.exitCode);
    }
  }
  const CliResult symbols = runAlone("symbols " + Expand("{small}"));
  EXPECT_EQ(symbols.exitCode, 1);
  EXPECT_EQ(symbols.err.rfind("voltrim-cli: cannot load its commands: ", 0), 0u) << symbols.err;
  fs::remove_all(alone);
  fs::remove(temp_.path() / "full.txt");
  // Each write command, then undo in the folder named: it names the change it takes back.
  const std::pair<std::string, std::string> undos[] = {
      {"edit {src} ACME 01/04/00 --open 3 --close 4", "{src} Edit Quotes of ACME"},
      {"split {src} ACME 01/06/00 2 1", "{src} Split ACME"},
      {"adjust {src} ACME 01/03/00 01/06/00 --price 2 --volume 3", "{src} Adjust ACME"},
      {"add-quote {src} ACME 01/06/00", "{src} Add Quote to ACME"},
      {"delete-quote {src} ACME 01/03/00", "{src} Delete Quote of ACME"},
      {"rename-symbol {src} BETA BX", "{src} Edit Symbol BX"},
      {"delete-symbol {src} ACME", "{src} Delete Symbol ACME"},
      {"copy-symbol {src} ACME {dst}", "{dst} Copy Symbol ACME"},
      {"move-symbol {src} ACME {dst}", "{src} Move Symbol ACME"},
      {"move-symbol {src} BETA {dst}", "{dst} Move Symbol BETA"},
      {"repair {demo/Legacy}", "{demo/Legacy} Repair MASTER"},
      // Several symbols: one step.
      {"copy-symbol {src} ACME BETA {dst}", "{dst} Copy 2 Symbols"},
      {"move-symbol {src} ACME BETA {dst}", "{src} Move 2 Symbols"},
      {"delete-symbol {src} ACME BETA", "{src} Delete 2 Symbols"},
  };
  for (const auto& [command, undone] : undos) {
    const std::string where = undone.substr(0, undone.find(' '));
    ASSERT_EQ(RunLine(command).exitCode, 0) << command;
    EXPECT_EQ(RunLine("undo " + where).out, "Undone: " + undone.substr(where.size() + 1) + "\n");
  }
  // A list on standard input, one symbol a line.
  const CliResult listed = RunLine("delete-symbol {src} --from-file -", "ACME\r\n\n  BETA \n");
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_TRUE(ReadMaster(Expand("{src}")).records.empty());
}

// Undo steps back through the history and redo forward again, each naming its change; a
// new change ends what could be redone; a file changed since makes either refuse and change
// nothing, and once the file is back, the step goes on.
TEST_F(CliWriteTest, UndoAndRedoStepThroughTheHistoryAndRefuseFilesChangedSince) {
  const std::string nothing = "There is nothing to undo in\n{src}\n";
  const std::string nothingToRedo = "There is nothing to redo in\n{src}\n";
  ExpectRun("undo {src} --show", 1, "", nothing);
  ExpectRun("history {src}", 1, "", "There are no changes in the history of\n{src}\n");
  const Snapshot start = TakeSnapshot(temp_.path());
  ASSERT_EQ(RunLine("edit {src} ACME 01/04/00 --open 3").exitCode, 0);
  const Snapshot edited = TakeSnapshot(temp_.path());
  ASSERT_EQ(RunLine("rename-symbol {src} BETA BX").exitCode, 0);
  const Snapshot renamed = TakeSnapshot(temp_.path());
  ExpectRun("undo {src} --show", 0,
            "Edit Symbol BX\n{src}/MASTER\trestore\n{src}/MASTER.BAK\tremove\n", "");
  // Number, when (as the local clock gave it), what; newest first.
  const auto history = [&] {
    std::string lines = RunLine("history {src}").out;
    for (std::size_t at = lines.find('\t'); at != std::string::npos;
         at = lines.find('\t', lines.find('\n', at))) {
      const std::size_t end = lines.find('\t', at + 1);
      EXPECT_EQ(end - at - 1, 17u) << lines;  // MM/DD/YY HH:MM:SS
      lines.replace(at + 1, end - at - 1, "T");
    }
    return lines;
  };
  EXPECT_EQ(history(), "2\tT\tEdit Symbol BX\n1\tT\tEdit Quotes of ACME\n");
  EXPECT_EQ(RunLine("undo {src}").out, "Undone: Edit Symbol BX\n");
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == edited);
  ExpectRun("redo {src} --show", 0,
            "Edit Symbol BX\n{src}/MASTER\trestore\n{src}/MASTER.BAK\trestore\n", "");
  EXPECT_EQ(history(), "2\tT\tEdit Symbol BX\tcan be redone\n1\tT\tEdit Quotes of ACME\n");
  EXPECT_EQ(RunLine("undo {src}").out, "Undone: Edit Quotes of ACME\n");
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == start);
  ExpectRun("undo {src}", 1, "", nothing);
  EXPECT_EQ(RunLine("redo {src}").out, "Redone: Edit Quotes of ACME\n");
  EXPECT_EQ(RunLine("redo {src}").out, "Redone: Edit Symbol BX\n");
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == renamed);
  ExpectRun("redo {src}", 1, "", nothingToRedo);
  EXPECT_EQ(RunLine("undo {src}").exitCode, 0);
  // A new change ends what could be redone.
  ASSERT_EQ(RunLine("delete-quote {src} ACME 01/03/00").exitCode, 0);
  ExpectRun("redo {src}", 1, "", nothingToRedo);
  EXPECT_EQ(history(), "3\tT\tDelete Quote of ACME\n1\tT\tEdit Quotes of ACME\n");

  const fs::path dat = temp_.path() / "src" / "F1.DAT";
  const fs::path master = temp_.path() / "src" / "MASTER";
  const auto meddleWith = [&](const char* step, const char* message) {
    const Bytes left = ReadFileBytes(dat), leftMaster = ReadFileBytes(master);
    const std::function<void()> meddling[] = {
        [&] {  // the same size: only its content tells
          Bytes other = left;
          other.back() ^= 1;
          WriteFileBytes(dat, other);
        },
        [&] { fs::remove(dat); },
        [&] { WriteFileBytes(master, Bytes(leftMaster.begin(), leftMaster.end() - 1)); }};
    for (const auto& meddle : meddling) {
      meddle();
      const Snapshot meddled = TakeFullSnapshot(temp_.path());
      const std::string file = fs::exists(dat) && ReadFileBytes(dat) == left ? "MASTER" : "F1.DAT";
      ExpectRun(std::string(step) + " {src}", 1, "",
                "\"Delete Quote of ACME\" cannot be " + std::string(message) + ":\n{src}/" + file +
                    "\nhas been changed since" + (step[0] == 'r' ? " it was undone" : "") +
                    ".\n\nNothing was changed.\n");
      EXPECT_TRUE(TakeFullSnapshot(temp_.path()) == meddled);
      WriteFileBytes(dat, left);
      WriteFileBytes(master, leftMaster);
    }
  };
  meddleWith("undo", "undone");
  EXPECT_EQ(RunLine("undo {src}").exitCode, 0);
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == edited);
  meddleWith("redo", "redone");
  EXPECT_EQ(RunLine("redo {src}").exitCode, 0);
}

// Bars stored with odd seconds (TIME 170517, as real folders hold them) beside even ones a
// second apart: each is shown, named and written by its own second, and a write changes
// only the bytes it names.
TEST_F(CliTest, AnOddSecondIsShownAndWrittenAsStored) {
  const std::vector<Bar> bars = {{1131114, 170515, 10}, {1131114, 170516, 11},
                                 {1131114, 170517, 12}, {1131114, 170520, 13},
                                 {1131115, 90001, 14},  {1131115, 90003, 15}};
  const fs::path dat = temp_.path() / "sec" / "F1.DAT";
  Write(dat.parent_path(), BarPortfolio(bars));
  // Six bars, six seconds: each bar shows its own (the window reads and shows them alike).
  for (const std::string& out : {Run({"quotes", "{sec}", "BARS"}).out,
                                 Run({"export", "{sec}", "BARS", "--format", "csv"}).out})
    for (const char* second :
         {"17:05:15", "17:05:16", "17:05:17", "17:05:20", "09:00:01", "09:00:03"})
      EXPECT_NE(out.find(second), std::string::npos) << second << "\n" << out;
  const Bytes stored = ReadFileBytes(dat);
  const auto field = [&](int record, int position, float value) {
    Bytes bytes = stored;
    const MbfBytes mbf = IeeeToMbf(value);
    std::copy(mbf.begin(), mbf.end(), bytes.begin() + 28 * (record + 1) + 4 * (position - 1));
    return bytes;
  };
  std::vector<Bar> deleted = bars, added = bars;
  deleted.erase(deleted.begin() + 2);
  added.insert(added.begin() + 3, {1131114, 170519, 13});
  const struct {
    std::string line, out;
    Bytes after;
  } writes[] = {
      {"edit {sec} BARS 11/14/13 --time 17:05:17 --open 1", "Changed 1 bar: 11/14/13 17:05:17.\n",
       field(2, 3, 1.0f)},
      {"edit {sec} BARS 11/14/13 --time 17:05:20 --new-time 17:05:21",
       "Changed 1 bar: 11/14/13 17:05:20.\n", field(3, 2, 170521.0f)},
      {"edit {sec} BARS 11/14/13 --time 17:05:17 --new-time 17:05:16", "", stored},
      {"delete-quote {sec} BARS 11/14/13 --time 17:05:17", "Deleted 1 bar: 11/14/13 17:05:17.\n",
       BarDatBytes(TempDir().path(), deleted)},
      {"add-quote {sec} BARS 11/14/13 --time 17:05:19", "Added 1 bar: 11/14/13 17:05:19.\n",
       BarDatBytes(TempDir().path(), added)},
  };
  for (const auto& write : writes) {
    SCOPED_TRACE(write.line);
    Write(dat.parent_path(), BarPortfolio(bars));
    const CliResult result = RunLine(write.line);
    EXPECT_EQ(result.exitCode, write.out.empty() ? 1 : 0) << result.err;
    EXPECT_EQ(result.out, write.out);
    EXPECT_EQ(ReadFileBytes(dat), write.after);
  }
}

// The data and index files only: backups, temporaries and the journal may differ.
Snapshot PortfolioFiles(const fs::path& dir) {
  static const std::regex kept(R"((MASTER|EMASTER|XMASTER|F\d+\.(DAT|MWD|DOP)))",
                               std::regex::icase);
  Snapshot all = TakeSnapshot(dir);
  std::erase_if(all, [](const auto& file) { return !std::regex_match(file.first, kept); });
  return all;
}

// The export's rows rewritten as a folder of one file per symbol, and in the TICKER/PER
// layout (with dates and times without their separators).
void WriteOtherLayouts(const std::string& csv, const fs::path& folder, const fs::path& tickers) {
  std::map<std::string, std::string> files;
  std::string tickerText =
      "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\n";
  std::stringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const std::size_t comma = line.find(','), dateEnd = line.find(',', comma + 1),
                      timeEnd = line.find(',', dateEnd + 1);
    std::string& text = files[line.substr(0, comma)];
    if (text.empty()) text = "date,time,open,high,low,close,volume,openint\n";
    text += line.substr(comma + 1) + "\n";
    std::string date = line.substr(comma + 1, dateEnd - comma - 1);
    std::string time = line.substr(dateEnd + 1, timeEnd - dateEnd - 1);
    std::erase(date, '-');
    std::erase(time, ':');
    tickerText += line.substr(0, comma) + (time.empty() ? ",D," : ",5,") + date + "," +
                  (time.empty() ? "000000" : time) + line.substr(timeEnd) + "\n";
  }
  fs::create_directories(folder);
  for (const auto& [symbol, text] : files) WriteText(folder / (symbol + ".txt"), text);
  WriteText(tickers, tickerText);
}

TEST_F(CliWriteTest, RealFoldersCutAndUpdatedComeBackByteForByte) {
  for (const std::string name : {"bbfinance", "equis-small", "stooq-intraday"}) {
    fs::create_directories(temp_.path() / "original");
    const fs::path original = CopyRealFolder(name, temp_.path() / "original");
    if (original.empty()) GTEST_SKIP() << "no shared data";
    const CliResult exported = Run({"export", original.string(), "--all", "--format", "csv"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const fs::path csv = temp_.path() / (name + ".csv");
    WriteText(csv, exported.out);
    const fs::path folder = temp_.path() / (name + "-folder");
    const fs::path tickers = temp_.path() / (name + ".tickers");
    WriteOtherLayouts(exported.out, folder, tickers);
    // The index files' dates follow the quotes, as after any import: the real folders'
    // own may name days their data files lack, so the uncut folder updated from its own
    // export is the measure; its data files stay byte for byte.
    const auto copyAs = [&](const fs::path& from, const std::string& as) {
      const fs::path to = temp_.path() / as;
      fs::create_directories(to.parent_path());
      fs::copy(from, to);
      return to;
    };
    const fs::path uncut = copyAs(original, "uncut/" + name);
    ASSERT_EQ(Run({"update", uncut.string(), csv.string()}).exitCode, 0);
    const Snapshot want = PortfolioFiles(uncut);
    for (const auto& [file, bytes] : PortfolioFiles(original)) {
      if (file.find('.') != std::string::npos) {
        EXPECT_TRUE(want.at(file) == bytes) << file;
      }
    }
    // The last quote of every series cut, once, with the program's own delete.
    const fs::path cut = copyAs(original, "cut/" + name);
    std::stringstream in(Run({"symbols", cut.string(), "--all"}).out);
    int series = 0;
    for (std::string line; std::getline(in, line); ++series) {
      const std::string symbol = line.substr(0, line.find('\t'));
      const std::string newest = Run({"quotes", cut.string(), symbol}).out;
      std::vector<std::string> drop = {"delete-quote", cut.string(), symbol, newest.substr(0, 8)};
      if (newest.size() > 17 && newest[11] == ':')
        drop.insert(drop.end(), {"--time", newest.substr(9, 8)});
      ASSERT_EQ(Run(drop).exitCode, 0) << symbol;
    }
    ASSERT_NE(PortfolioFiles(cut), want);
    for (const fs::path& source : {csv, folder, tickers}) {
      const fs::path copy = copyAs(cut, "updated/" + source.filename().string());
      const CliResult updated = Run({"update", copy.string(), source.string()});
      ASSERT_EQ(updated.exitCode, 0) << source << updated.err;
      const std::string n = std::to_string(series);
      EXPECT_EQ(updated.out, n + " series: " + n + " updated, 0 unchanged, 0 created; " + n +
                                 (series == 1 ? " quote added\n" : " quotes added\n"));
      EXPECT_EQ(PortfolioFiles(copy), want) << source;
    }
  }
}

// XMASTER's series are listed only when asked (with their data files: the module's test
// compares that listing with its own); facts name the file and EMASTER's longer name.
TEST(CliCompanionFiles, XmasterSeriesAreListedOnlyWhenAskedAndFactsNameTheirFiles) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  EXPECT_EQ(RunCli({"symbols", dir.string()}).out,
            ".DJX\t1/100 Dow Jones \n.FCHI\tCAC 40 INDICE   \n");
  const std::string facts = RunCli({"facts", dir.string(), ".N225"}).out;
  EXPECT_NE(facts.find("File number: 2853\n"), std::string::npos) << facts;
  EXPECT_NE(facts.find("Name of issue: NIKKEI 225 INDEX\n"), std::string::npos);
  EXPECT_NE(RunCli({"facts", dir.string(), ".DJX"})
                .out.find("Symbol: .DJX            \nLong name (EMASTER): 1/100 Dow Jones INDU\n"),
            std::string::npos);
}

// Several voltrim-cli processes started at once, as a script with `xargs -P` would: edits of
// different dates of one series, copies into one destination, and moves both ways between two
// portfolios. Whatever the interleaving, exit 0 means the change stands and exit 1 (the folder
// busy) means nothing of it happened.
TEST_F(CliTest, ParallelWritersKeepEachChangeWholeOrNotAtAll) {
  const std::string a = Write(temp_.path() / "a", PortfolioOf({"A1", "A2", "A3", "A4"}, 4));
  const std::string b = Write(temp_.path() / "b", PortfolioOf({"B1", "B2", "B3", "B4"}, 5));
  const std::string c = Write(temp_.path() / "c", Portfolio({Symbol(1, "C1")}));
  // A1, A2 and B1, B2 are copied into c; A3, A4 move to b while B3, B4 move to a.
  std::vector<std::vector<std::string>> commands = {
      {"copy-symbol", a, "A1", c}, {"copy-symbol", a, "A2", c}, {"copy-symbol", b, "B1", c},
      {"copy-symbol", b, "B2", c}, {"move-symbol", a, "A3", b}, {"move-symbol", a, "A4", b},
      {"move-symbol", b, "B3", a}, {"move-symbol", b, "B4", a}};
  const std::size_t kEdits = 24, kFirstEdit = commands.size();
  const std::string big = Write(temp_.path() / "p", Portfolio({Symbol(1, "BIG", "", kEdits)}));
  const std::vector<DailyQuote> quotes = Quotes(kEdits);
  for (std::size_t i = 0; i < kEdits; ++i)
    commands.push_back(
        {"edit", big, "BIG", FormatUserDate(quotes[i].day), "--close", std::to_string(1000 + i)});
  std::vector<CliResult> results(commands.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < commands.size(); ++i)
    threads.emplace_back([&, i] { results[i] = Run(commands[i]); });
  for (std::thread& thread : threads) thread.join();

  const std::vector<Quote> stored = ReadQuotes(big, "BIG");
  ASSERT_EQ(stored.size(), kEdits);
  int edited = 0;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const std::string &command = commands[i][0], &symbol = commands[i][2], &to = commands[i][3];
    SCOPED_TRACE(command + " " + symbol + " " + to);
    const bool done = results[i].exitCode == 0;
    if (!done) {
      EXPECT_EQ(results[i].exitCode, 1) << results[i].err;
      EXPECT_NE(results[i].err.find(kPortfolioBusyMessage), std::string::npos) << results[i].err;
    }
    if (i >= kFirstEdit) {
      const std::size_t n = i - kFirstEdit;
      EXPECT_EQ(stored[n].close, done ? 1000.0f + static_cast<float>(n) : quotes[n].close);
      edited += done;
    } else {
      EXPECT_EQ(Holds(to, symbol), done);
      EXPECT_EQ(Holds(commands[i][1], symbol), command == "copy-symbol" || !done);
    }
  }
  EXPECT_GT(edited, 0);
  for (const std::string& dir : {a, b, c}) ExpectMasterSound(dir);
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

}  // namespace
}  // namespace voltrim::testing
