"""Writes from frames leave the bytes the CLI leaves given the same rows as CSV, refusals
write nothing, undo puts the bytes back, and another writer's lock is waited for."""
import fcntl
import os
from shutil import copytree

import numpy as np
import pandas as pd
import pytest

from conftest import VALUES, cli, samples_folder, shared_folder, snapshot, voltrim


def next_rows(portfolio, symbol, count=2, step=pd.Timedelta(days=1)):
    """The last stored quote again (skipped: already stored), then count new ones after it."""
    stored = portfolio.quotes(symbol).tail(1)
    rows = [stored]
    for k in range(1, count + 1):
        row = stored * np.float32(1 + k / 100)
        row.index = stored.index + k * step
        rows.append(row)
    return pd.concat(rows)


def fresh(tmp_path, _):
    """A new portfolio with an empty five-column series, made through the module."""
    voltrim.new_portfolio(tmp_path / "fresh").new_symbol("NEW1", name="NEW ONE", columns=5)
    return tmp_path / "fresh"


def fresh_rows(portfolio, symbol):
    dates = pd.date_range("2024-01-02", periods=3, freq="D", name="date")
    return pd.DataFrame({"High": [2.5, 2.75, 3.1], "Low": [1.0, 1.5, 1.25],
                         "Close": [2.0, 2.5, 3.0], "Volume": [100, 2000, 3e5],
                         "Adj Close": [1.9, 2.4, 2.9]}, index=dates)


def update_rows(portfolio, _=None):
    acme = next_rows(portfolio, "ACME").assign(symbol="ACME")
    bolt = next_rows(portfolio, "BOLT", 1).assign(symbol="BOLT")
    new = acme.assign(symbol="ZED").drop(columns=["open"])
    return pd.concat([acme, bolt, new])


# (folder, symbol, rows): an import of each kind of series; no symbol: an update of two
# series that creates a third.
WRITES = [
    (lambda t, _: samples_folder(t, "Stocks"), "ACME", next_rows),
    (lambda t, _: samples_folder(t, "Futures"), "ESH7",
     lambda p, s: next_rows(p, s, 3, pd.Timedelta(minutes=5))),
    (lambda t, _: copytree(shared_folder("equis-small"), t / "equis"), ".N225",
     next_rows),  # a series only XMASTER lists
    (fresh, "NEW1", fresh_rows),
    (lambda t, _: samples_folder(t, "Stocks"), None, update_rows),
]


@pytest.mark.parametrize("make, symbol, rows", WRITES)
def test_a_write_leaves_the_cli_bytes_and_undo_takes_it_back(tmp_path, make, symbol, rows):
    folder = make(tmp_path / "module", None)
    twin = copytree(folder, tmp_path / "cli")
    portfolio = voltrim.Portfolio(folder)
    frame = rows(portfolio, symbol)
    frame.to_csv(tmp_path / "rows.csv", index_label="date")
    before = snapshot(folder)

    if symbol:
        summary = portfolio.import_quotes(symbol, frame)
        _, out, _ = cli("import", twin, symbol, tmp_path / "rows.csv")
        assert summary["lines"] == out.splitlines()
    else:
        assert portfolio.update(frame, create=True, dry_run=True)["created"] == 1
        assert snapshot(folder) == before
        summary = portfolio.update(frame, create=True)
        _, out, _ = cli("update", twin, tmp_path / "rows.csv", "--create", "--verbose")
        assert summary["lines"] + [summary["totals"]] == out.splitlines()
        assert (summary["updated"], summary["created"]) == (2, 1)
    after = snapshot(folder, journal=False)
    assert after == snapshot(twin, journal=False) != before
    words = portfolio.undo()
    assert words.startswith("Import" if symbol else "Update")
    assert snapshot(folder, journal=False) == snapshot(make(tmp_path / "again", None),
                                                       journal=False)
    if not symbol:
        assert snapshot(folder, journal=False) == before
    # The history lists the change undone, newest first, and redo puts it back.
    history = portfolio.history()
    assert list(history.columns) == ["number", "when", "what", "redoable"]
    assert (history["what"][0], bool(history["redoable"][0])) == (words, True)
    assert history["when"].notna().all()
    assert portfolio.redo() == words
    assert snapshot(folder, journal=False) == after
    assert not portfolio.history()["redoable"].any()


def with_close(frame, change, row=0):
    changed = frame.copy()
    changed.iloc[row, changed.columns.get_loc("close")] += change
    return changed


# (message, frame from the rows of ACME, whether the CLI refuses the same rows in the same
# words up to its advice).
REFUSALS = [
    ("gives other values for 1 quote", lambda f: with_close(f, 1), True),
    ("Lines 4 and 5 both hold a quote of", lambda f: pd.concat([f, f.tail(1)]), True),
    ("Line 3: no value in column close",
     lambda f: with_close(f, 0).assign(close=[f.close.iloc[0], np.nan, f.close.iloc[2]]), False),
    ("Line 2:", lambda f: with_close(f.astype("float64"), 1e39), False),
    ("Line 2:", lambda f: f.set_axis(pd.DatetimeIndex(["1960-12-31"] + list(f.index[1:])), axis=0),
     True),
]


@pytest.mark.parametrize("message, change, like_cli", REFUSALS)
def test_a_refused_import_writes_nothing(tmp_path, message, change, like_cli):
    folder = samples_folder(tmp_path, "Stocks")
    portfolio = voltrim.Portfolio(folder)
    frame = change(next_rows(portfolio, "ACME"))
    before = snapshot(folder)
    with pytest.raises(voltrim.RefusedError, match=message) as raised:
        portfolio.import_quotes("ACME", frame)
    assert snapshot(folder) == before
    if like_cli:
        frame.to_csv(tmp_path / "rows.csv", index_label="date")
        status, _, err = cli("import", folder, "ACME", tmp_path / "rows.csv", check=False)
        said = str(raised.value).replace("DataFrame", str(tmp_path / "rows.csv"))
        assert status == 1
        assert said.split("Nothing was changed.")[0] == err.split("Nothing was changed.")[0]


@pytest.mark.parametrize("on_conflict, replaced", [("replace", True), ("keep", False)])
def test_a_date_stored_with_other_values_is_replaced_or_kept_as_asked(tmp_path, on_conflict,
                                                                       replaced):
    portfolio = voltrim.Portfolio(samples_folder(tmp_path, "Stocks"))
    frame = with_close(next_rows(portfolio, "ACME"), 1)
    day, stored = frame.index[0], portfolio.quotes("ACME").close.iloc[-1]
    summary = portfolio.import_quotes("ACME", frame, on_conflict=on_conflict)
    assert (summary["replaced"], summary["kept"]) == ((1, 0) if replaced else (0, 1))
    assert portfolio.quotes("ACME").close.loc[day] == (frame.close.iloc[0] if replaced else stored)


def test_refusals_and_writes_kept_out_by_another_writer_change_nothing(tmp_path):
    folder = samples_folder(tmp_path, "Stocks")
    portfolio = voltrim.Portfolio(folder)
    before = snapshot(folder)
    frame = update_rows(portfolio)
    bolt = list(frame.symbol).index("BOLT")
    for error, message, call in [
            (voltrim.RefusedError, "BOLT", lambda: portfolio.update(with_close(frame, 1, bolt))),
            (voltrim.RefusedError, "Nothing to undo|nothing to undo", portfolio.undo),
            (voltrim.RefusedError, "nothing to redo", portfolio.redo),
            (voltrim.RefusedError, "already", lambda: portfolio.new_symbol("acme")),
            (voltrim.RefusedError, "", lambda: voltrim.new_portfolio(folder)),
            (voltrim.NotFoundError, 'Symbol "NOPE" not found in',
             lambda: portfolio.import_quotes("NOPE", frame)),
            (voltrim.NotFoundError, 'Symbol "NOPE" not found in',
             lambda: portfolio.quotes("NOPE")),
            (voltrim.NotFoundError, "is not a folder", lambda: voltrim.Portfolio(tmp_path / "no")),
            (voltrim.NotFoundError, "No MASTER file in",
             lambda: voltrim.Portfolio(tmp_path).symbols())]:
        with pytest.raises(error, match=message):
            call()
    with pytest.warns(UserWarning, match="Unknown symbols, skipped: ZED"):
        portfolio.update(frame[frame.symbol == "ZED"])
    assert snapshot(folder) == before

    # Another writer's lock is waited for, then given up on with nothing changed.
    frame = next_rows(portfolio, "ACME")
    portfolio.import_quotes("ACME", frame.head(2))
    before = snapshot(folder)
    busy = "The portfolio is being changed by another program"
    held = os.open(folder, os.O_RDONLY)  # flock on the folder, as the desktop program holds it
    fcntl.flock(held, fcntl.LOCK_EX)
    for write in (lambda: portfolio.import_quotes("ACME", frame),
                  lambda: portfolio.update(frame.assign(symbol="ACME")),
                  lambda: portfolio.new_symbol("NEW"),
                  portfolio.undo):
        with pytest.raises(voltrim.BusyError, match=busy):
            write()
    assert portfolio.quotes("ACME").index[-1] == frame.index[1]  # readers take no lock
    os.close(held)
    assert snapshot(folder) == before
    portfolio.import_quotes("ACME", frame)
    assert portfolio.quotes("ACME").index[-1] == frame.index[-1]


@pytest.mark.parametrize("name", ["Stocks", "Futures"])
def test_a_whole_folder_read_all_goes_back_as_new_series(tmp_path, name):
    """Daily and intraday series in one frame: each symbol keeps its own columns and times."""
    source = voltrim.Portfolio(samples_folder(tmp_path, name)).read_all()
    copy = voltrim.new_portfolio(tmp_path / "copy")
    summary = copy.update(source, create=True)
    assert summary["created"] == source["symbol"].nunique()
    copied = copy.read_all()
    # A new series has five to seven columns: a volume its source lacks is stored as 0.
    lacking = source[VALUES].isna()
    assert (copied[VALUES][lacking].fillna(0) == 0).all().all()
    copied[VALUES] = copied[VALUES].mask(lacking)
    pd.testing.assert_frame_equal(copied, source)


def test_many_symbols_copy_move_and_delete_in_one_step_as_the_cli_does(tmp_path):
    """Two series of MASTER and XMASTER at once: each write leaves the bytes voltrim-cli
    leaves with the same list, and one undo takes all of it back; a list with a refused
    symbol raises RefusedError naming every reason, with nothing written."""
    roots = [tmp_path / "module", tmp_path / "cli"]
    for root in roots:
        copytree(shared_folder("equis-small"), root / "src")
    dest = voltrim.new_portfolio(roots[0] / "dest")
    cli("new-portfolio", roots[1] / "dest")
    portfolio = voltrim.Portfolio(roots[0] / "src")
    untouched, before = snapshot(roots[0]), snapshot(roots[0], journal=False)

    with pytest.raises(voltrim.RefusedError) as refused:
        portfolio.move_symbols([".djx", "NOSUCH", "AZM.L", "WHAT"], dest)
    assert str(refused.value) == ("Nothing was moved: 2 of the 4 Symbols cannot be.\n\n"
                                  f"Not found in {roots[0] / 'src'}: NOSUCH, WHAT")
    assert snapshot(roots[0]) == untouched

    writes = [(lambda: portfolio.copy_symbols([".djx", "AZM.L"], roots[0] / "dest"), dest,
               ("copy-symbol", roots[1] / "src", ".djx", "AZM.L", roots[1] / "dest")),
              (lambda: portfolio.move_symbols([".djx", "AZM.L"], dest), portfolio,
               ("move-symbol", roots[1] / "src", ".djx", "AZM.L", roots[1] / "dest")),
              (lambda: portfolio.delete_symbols([".djx", "azm.l"]), portfolio,
               ("delete-symbol", roots[1] / "src", ".djx", "azm.l"))]
    for write, undo_in, words in writes:
        write()
        cli(*words)
        assert snapshot(roots[0], journal=False) == snapshot(roots[1], journal=False) != before
        assert undo_in.undo().endswith("2 Symbols")
        cli("undo", roots[1] / ("dest" if undo_in is dest else "src"))
        assert snapshot(roots[0], journal=False) == before
