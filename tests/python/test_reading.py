"""The module reads what the CLI reads: every series of the real folders, the symbols,
the check and the scan."""
import io
import warnings

import numpy as np
import pandas as pd
import pytest

from conftest import SHARED_DATA, VALUES, cli, samples_folder, shared_folder, voltrim

REAL_FOLDERS = ["mininge", "stooq-intraday", "bbfinance", "lowercase-names", "equis-small"]


def exported(folder):
    """'export --all --format csv' read back: symbol, date (with the time), the values as
    the singles their round-trip digits give."""
    _, out, _ = cli("export", folder, "--all", "--format", "csv", check=False)
    rows = pd.read_csv(io.StringIO(out), dtype=str, keep_default_na=False)
    stamps = rows["date"] + np.where(rows["time"] == "", "", " " + rows["time"])
    frame = pd.DataFrame({"symbol": rows["symbol"],
                          "date": pd.to_datetime(stamps, errors="coerce")})
    for name in VALUES:
        frame[name] = pd.to_numeric(rows[name].replace("", np.nan)).astype(np.float32)
    return frame


@pytest.mark.parametrize("name", REAL_FOLDERS)
def test_series_symbols_and_check_read_as_the_cli_reads_them(name):
    folder = shared_folder(name)
    portfolio = voltrim.Portfolio(folder)
    expected = exported(folder)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # a series left out is named in a warning
        everything = portfolio.read_all()
    assert everything["symbol"].astype(str).tolist() == expected["symbol"].tolist()
    np.testing.assert_array_equal(everything["date"].values, expected["date"].values)
    for column in VALUES:
        assert everything[column].dtype == np.float32
        np.testing.assert_array_equal(everything[column].values, expected[column].values)

    symbols = portfolio.symbols()
    listed = symbols["symbol"]
    for symbol in listed[~listed.duplicated(keep=False)]:
        rows = expected[expected["symbol"] == symbol]
        if rows.empty:
            continue  # a series the export leaves out, as read_all does
        quotes = portfolio.quotes(symbol)
        held = [c for c in VALUES if rows[c].notna().all()]
        assert list(quotes.columns) == held, symbol
        np.testing.assert_array_equal(quotes.index.values, rows["date"].values)
        for column in held:
            np.testing.assert_array_equal(quotes[column].values, rows[column].values)

    _, out, _ = cli("symbols", folder, "--all", check=False)
    # The CLI prints MASTER's rows with their fields as stored (padded with blanks), then
    # XMASTER's with their data file.
    printed = [[field.rstrip() for field in line.split("\t")] for line in out.splitlines()]
    rows = [[s, n] + ([f] if where == "XMASTER" else []) for s, n, f, where in
            symbols[["symbol", "name", "file", "listed_in"]].itertuples(index=False)]
    assert [[field.rstrip() for field in row] for row in rows] == printed

    _, out, _ = cli("check", folder, check=False)
    findings = portfolio.check()
    assert ["\t".join(row) for row in
            findings[["symbol", "file", "place", "kind", "detail"]].itertuples(index=False)] \
        == out.splitlines()


def test_find_portfolios_finds_what_the_scan_finds():
    if not SHARED_DATA.is_dir():
        pytest.skip("no shared data")
    _, out, _ = cli("scan", "--filter", SHARED_DATA.resolve(), check=False)
    below = [line for line in out.splitlines() if line.startswith(str(SHARED_DATA.resolve()))]
    assert voltrim.find_portfolios(SHARED_DATA.resolve()) == below
    assert len(below) == len(REAL_FOLDERS)



def test_split_candidates_are_what_the_ranked_search_prints(tmp_path):
    """The frame's rows are split-search --ranked's lines in its order; listed says which
    of them the plain search lists."""
    folders = [samples_folder(tmp_path, "Stocks")]
    if (SHARED_DATA / "mininge").is_dir():
        folders.append(SHARED_DATA / "mininge")
    for folder in folders:
        frame = voltrim.Portfolio(folder).split_candidates()
        assert list(frame.columns) == ["symbol", "date", "p", "q", "score", "reason", "listed",
                                       "line"]
        _, ranked, _ = cli("split-search", folder, "--ranked")
        assert [f"{line}\t{score}\t{reason}" for line, score, reason in
                frame[["line", "score", "reason"]].itertuples(index=False)] \
            == ranked.splitlines()
        _, plain, _ = cli("split-search", folder)
        assert sorted(frame["line"][frame["listed"]]) == sorted(plain.splitlines())
        assert (frame["line"] == [f"{s} possible {p} for {q} split on {d:%m/%d/%y}" for s, p, q, d
                                  in frame[["symbol", "p", "q", "date"]].itertuples(index=False)]
                ).all()
    stocks = voltrim.Portfolio(folders[0]).split_candidates()  # the two planted splits
    assert sorted(stocks[["symbol", "p", "q"]].values.tolist()) == [["BOLT", 2, 1],
                                                                    ["DYNA", 1, 4]]
    assert (stocks["score"] >= 50).all() and stocks["listed"].all()
    assert stocks["date"].dtype == "datetime64[ns]"
