"""Voltrim's MetaStock/CompuTrac portfolios in pandas.

Reads every shape of folder Voltrim reads (MASTER, EMASTER, XMASTER, intraday series)
into DataFrames, and writes quotes back through the same code as ``voltrim-cli``: the
portfolio lock, files replaced in one step, and undo and redo through the portfolio's
history of changes.

    >>> import voltrim
    >>> p = voltrim.Portfolio("/data/Stocks")
    >>> p.symbols()
    >>> acme = p.quotes("ACME")        # DatetimeIndex, float32 columns as stored
    >>> p.import_quotes("ACME", day)   # a frame of new quotes, as 'voltrim-cli import'
    >>> p.move_symbols(["ACME", "BETA"], "/data/Archive")   # one write, one undo step
    >>> p.undo()

Failures raise ``voltrim.Error`` (``BusyError``, ``RefusedError``, ``NotFoundError``,
``PartlyDoneError``) with the message voltrim-cli prints. A refused write writes nothing.
"""

import datetime
import functools
import os
import warnings

import numpy as np
import pandas as pd

from . import _voltrim
from ._voltrim import BusyError, Error, NotFoundError, PartlyDoneError, RefusedError

__all__ = ["Portfolio", "find_portfolios", "new_portfolio", "Error", "BusyError",
           "RefusedError", "NotFoundError", "PartlyDoneError"]

_VALUE_COLUMNS = ["open", "high", "low", "close", "volume", "openint"]
_ON_CONFLICT = ("refuse", "replace", "keep")


def _path(path):
    return os.fsencode(os.fspath(path))


def _text(text):
    """Symbols and names are stored as Latin-1 in the index files."""
    return str(text).encode("latin-1")


def _stamps(values):
    return pd.DatetimeIndex(np.asarray(values).view("datetime64[ns]"))


def _warn(lines):
    for line in lines:
        warnings.warn(line, stacklevel=3)


def find_portfolios(root):
    """The portfolios at or below the folder root (folders with a MASTER file), as the
    scan finds them: sorted without regard to case, links not followed."""
    return _voltrim.find_portfolios(_path(root))


def new_portfolio(path):
    """Makes path an empty portfolio (MASTER and EMASTER), as 'voltrim-cli new-portfolio'
    does: created when missing, else it must be empty. Returns the Portfolio."""
    _voltrim.new_portfolio(_path(path))
    return Portfolio(path)


def _frame_columns(frame, symbol_column=None):
    """The frame as the module takes it: (name, kind, data) per column, the
    DatetimeIndex first when the frame has one."""
    columns = []
    if isinstance(frame.index, pd.DatetimeIndex):
        index = frame.index.tz_localize(None) if frame.index.tz is not None else frame.index
        columns.append((frame.index.name or "date", "M",
                        index.values.astype("datetime64[ns]").view("int64")))
    for name, series in frame.items():
        name = str(name)
        if pd.api.types.is_datetime64_any_dtype(series.dtype):
            stamps = series.dt.tz_localize(None) if series.dt.tz is not None else series
            columns.append((name, "M", stamps.values.astype("datetime64[ns]").view("int64")))
        elif name != symbol_column and series.dtype == np.float32:
            columns.append((name, "f", np.ascontiguousarray(series.values)))
        elif (name != symbol_column and pd.api.types.is_numeric_dtype(series.dtype)
              and not pd.api.types.is_bool_dtype(series.dtype)):
            columns.append((name, "d", series.to_numpy(dtype="float64", na_value=np.nan)))
        else:
            columns.append((name, "s", [None if pd.isna(cell) else _text(cell)
                                        for cell in series.tolist()]))
    return columns


@functools.lru_cache(maxsize=None)
def _column_index_of(names):
    return pd.Index(names, dtype=object)


def _column_index(names):
    """The columns' Index, made once per set of columns (a good part of a frame's making)."""
    return _column_index_of(tuple(names))


def _check_on_conflict(on_conflict):
    if on_conflict not in _ON_CONFLICT:
        raise ValueError(f"on_conflict takes 'refuse', 'replace' or 'keep', not {on_conflict!r}")


class Portfolio:
    """A portfolio folder (its MASTER, EMASTER and XMASTER and their data files).

    Nothing is read when it is made; each call reads the files as they stand.
    """

    def __init__(self, path):
        self.path = os.fspath(path)
        if not os.path.isdir(self.path):
            raise NotFoundError(f"{self.path} is not a folder")

    def __repr__(self):
        return f"voltrim.Portfolio({self.path!r})"

    @property
    def _dir(self):
        return _path(self.path)

    def symbols(self):
        """A DataFrame of the series MASTER lists, then those of XMASTER: symbol, name,
        listed_in (MASTER or XMASTER), file (F3.DAT, F256.MWD), periodicity, fields,
        first_date and last_date (as the index file records them)."""
        columns = _voltrim.symbols(self._dir)
        frame = pd.DataFrame({name: columns[name] for name in
                              ("symbol", "name", "listed_in", "file", "periodicity", "fields")})
        frame["first_date"] = _stamps(columns["first_date"])
        frame["last_date"] = _stamps(columns["last_date"])
        return frame

    def quotes(self, symbol):
        """The quotes of symbol (symbol or name, MASTER's tree then XMASTER) in stored
        order: a DatetimeIndex named date (with the time of day for an intraday series)
        and the columns the series holds among open, high, low, close, volume and
        openint, as float32 holding exactly the stored values. A stored date that is no
        day of the calendar is NaT."""
        stamps, values, names, _ = _voltrim.quotes(self._dir, _text(symbol))
        # One block of singles, a column per row of values: pandas takes it without a copy.
        return pd.DataFrame(values.T, index=pd.DatetimeIndex(stamps.view("datetime64[ns]"),
                                                             name="date"),
                            columns=_column_index(names), copy=False)

    def read_all(self):
        """Every series in one long DataFrame, the rows 'voltrim-cli export --all --format
        csv' writes: symbol (categorical), date (with the time for intraday series) and
        the six value columns (float32, NaN where a series lacks the field). A series that
        cannot be read is left out with a warning naming it."""
        codes, symbols, stamps, values, names, skipped = _voltrim.read_all(self._dir)
        for symbol, file, reason in skipped:
            warnings.warn(f"{symbol} ({file}) is left out: {reason}", stacklevel=2)
        # Two records may show one symbol: they share a category.
        categories = list(dict.fromkeys(symbols))
        if len(categories) != len(symbols):
            place = {symbol: i for i, symbol in enumerate(categories)}
            codes = np.asarray([place[s] for s in symbols], dtype=np.int32)[codes]
        frame = pd.DataFrame(values.T, columns=names, copy=False)
        frame.insert(0, "date", stamps.view("datetime64[ns]"))
        frame.insert(0, "symbol", pd.Categorical.from_codes(codes, categories=categories))
        return frame

    def import_quotes(self, symbol, frame, on_conflict="refuse"):
        """Adds the quotes of frame to the series of symbol, as 'voltrim-cli import' does
        with the same rows as a CSV file.

        frame: a DatetimeIndex (or a date column: datetime64, or text as import reads
        it, with a time column for text), and columns named as import names them (open,
        high, low, close, volume or vol, openint or oi; others are ignored and named in
        the summary). NaN is no value: a column without any value is one the frame lacks.
        A time of day other than midnight on any row makes the rows carry their times.
        on_conflict: what becomes of a date the series holds with other values:
        "refuse" (nothing is written), "replace" or "keep".

        Returns the summary as a dict (added, replaced, kept, skipped, quotes_before,
        quotes_after, lines: what voltrim-cli prints). Messages name rows as the lines of
        the frame as a CSV file: line 2 is the first row."""
        _check_on_conflict(on_conflict)
        summary = _voltrim.import_quotes(self._dir, _text(symbol), _frame_columns(frame),
                                         len(frame), on_conflict)
        _warn(summary.pop("warnings"))
        return summary

    def update(self, frame, create=False, on_conflict="refuse", dry_run=False):
        """Adds the quotes of a frame of many symbols to their series in one write, as
        'voltrim-cli update' does: one lock, one undo step for the whole update.

        frame: a symbol (or ticker) column, dates as for import_quotes, and the value
        columns; it may also hold a periodicity column (per). Symbols in neither MASTER
        nor XMASTER are skipped with a warning, or made new series with create=True.
        dry_run checks everything and writes nothing.

        Returns the totals as a dict (series, updated, unchanged, created, unknown,
        quotes_added, quotes_replaced, lines: one per symbol, totals: the line
        voltrim-cli prints)."""
        _check_on_conflict(on_conflict)
        symbol_column = next((str(c) for c in frame.columns
                              if str(c).strip("<> ").lower() in ("symbol", "ticker")), None)
        summary = _voltrim.update(self._dir, _frame_columns(frame, symbol_column), len(frame),
                                  _symbol_index(frame, symbol_column), on_conflict,
                                  bool(create), bool(dry_run))
        _warn(summary.pop("warnings"))
        return summary

    def undo(self):
        """Takes back the newest change to the portfolio not yet undone (of this module,
        voltrim-cli or the desktop program) and returns its words; called again, it steps
        further back. RefusedError when there is nothing to undo or a file was changed
        since."""
        return _voltrim.undo(self._dir)

    def redo(self):
        """Puts back the change undone last and returns its words. RefusedError when there
        is nothing to redo (a new change ends what can be redone) or a file was changed
        since the undo."""
        return _voltrim.redo(self._dir)

    def history(self):
        """The changes the portfolio's history keeps, newest first, as 'voltrim-cli
        history' lists them: a DataFrame of number, when (local time; NaT when not known),
        what, and redoable (undone, and can be redone)."""
        rows = [(number, datetime.datetime.fromtimestamp(when) if when else pd.NaT,
                 what.decode("latin-1"), undone)
                for number, when, what, undone in _voltrim.history(self._dir)]
        frame = pd.DataFrame(rows, columns=["number", "when", "what", "redoable"])
        frame["when"] = pd.to_datetime(frame["when"])
        return frame.astype({"number": "int64", "redoable": "bool"})

    def check(self):
        """What is wrong with the portfolio, as 'voltrim-cli check' finds it: a DataFrame
        of symbol, file, place, kind, detail and quote (index from the oldest)."""
        findings = _voltrim.check(self._dir)
        frame = pd.DataFrame(findings, columns=["symbol", "file", "place", "kind", "detail",
                                                "quote"])
        frame["quote"] = frame["quote"].astype("Int64")
        return frame

    def split_candidates(self):
        """The possible unrecorded splits, most likely first, as 'voltrim-cli split-search
        --ranked' lists them: a DataFrame of symbol, date, p and q (a possible p for q
        split: earlier closes about p/q times the later ones), score (0 to 100; 50 and up
        is likely), reason (the evidence in words), listed (whether the plain search, as
        'voltrim-cli split-search' and the window's found order, lists it) and line (the
        line as listed). A series too short to search is named in a warning."""
        columns = _voltrim.split_candidates(self._dir)
        _warn(columns.pop("warnings"))
        frame = pd.DataFrame({name: columns[name] for name in ("symbol", "date", "p", "q",
                                                               "score", "reason", "listed",
                                                               "line")})
        frame["date"] = _stamps(columns["date"])
        return frame

    def new_symbol(self, symbol, name="", columns=7, intraday=False):
        """Adds an empty series, as 'voltrim-cli new-symbol' does: columns 5 (date, high,
        low, close, volume), 6 (with open) or 7 (with open interest)."""
        _warn(_voltrim.new_symbol(self._dir, _text(symbol), _text(name), int(columns),
                                  bool(intraday)))

    def delete_symbols(self, symbols):
        """Deletes the series of symbols in one write, one undo step, as 'voltrim-cli
        delete-symbol' does with several: each symbol as the symbols grid shows it (any
        case), its records and then its data files. RefusedError naming every symbol that
        is not found, with nothing deleted."""
        _warn(_voltrim.delete_symbols(self._dir, _texts(symbols)))

    def copy_symbols(self, symbols, dest):
        """Copies the series of symbols (symbol or name, any case) into the portfolio dest
        (a Portfolio or a folder) in one write, one undo step, as 'voltrim-cli copy-symbol'
        does with several: MASTER's free numbers first, then XMASTER's. RefusedError with
        every reason (a symbol not found, one dest holds already, no room), with nothing
        written."""
        _warn(_voltrim.transfer_symbols(self._dir, _texts(symbols), _dest(dest), False))

    def move_symbols(self, symbols, dest):
        """Moves the series of symbols into the portfolio dest as copy_symbols copies them,
        then takes them out of this portfolio, all in one undo step."""
        _warn(_voltrim.transfer_symbols(self._dir, _texts(symbols), _dest(dest), True))


def _texts(symbols):
    """A list of symbols; one symbol alone is a list of one, not of its letters."""
    if isinstance(symbols, str):
        symbols = [symbols]
    return [_text(s) for s in symbols]


def _dest(dest):
    return _path(dest.path if isinstance(dest, Portfolio) else dest)


def _symbol_index(frame, symbol_column):
    """The place of the symbol column among the columns handed over (after the index)."""
    if symbol_column is None:
        return -1
    offset = 1 if isinstance(frame.index, pd.DatetimeIndex) else 0
    return offset + [str(c) for c in frame.columns].index(symbol_column)
