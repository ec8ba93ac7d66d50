"""How fast the Python module reads, against the C++ reader and against pandas.read_csv.

    cmake --preset bench && cmake --build --preset bench --target voltrim_python voltrim-cli
    /usr/bin/python3 bench/python_read.py [--build build/bench]

Writes two portfolios into a temporary folder through the module itself: one series of
32,766 daily quotes (the most a series holds), and a folder of 215 series. Prints the
fastest of several runs of
  - Portfolio.quotes() of the long series against the C++ ReadSeries of it (goal: within 2x),
  - Portfolio.read_all() of the 215 series against pandas.read_csv of their
    'voltrim-cli export --all --format csv' (goal: faster).
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np
import pandas as pd

LONGEST = 32766
FOLDER_SERIES = 215
FOLDER_QUOTES = 1673  # each: 359,695 quotes, as bench/export_process.sh has them
REPEATS = 7
QUICK_REPEATS = 200  # a read of well under a millisecond: the fastest of many


def quotes_frame(count, symbols, seed):
    """count daily quotes for each symbol: a random walk in cents, volumes in hundreds."""
    rng = np.random.default_rng(seed)
    dates = pd.date_range("1961-01-02", periods=count, freq="D")
    frames = []
    for symbol in symbols:
        close = np.round(20 + np.cumsum(rng.normal(0, 0.2, count)).clip(-19, None), 2)
        spread = np.round(rng.uniform(0, 0.5, count), 2)
        frames.append(pd.DataFrame({
            "symbol": symbol, "open": close, "high": close + spread, "low": close - spread,
            "close": close, "volume": rng.integers(1, 5000, count) * 100.0,
        }, index=pd.Index(dates, name="date")))
    return pd.concat(frames)


def fastest(run, repeats=REPEATS):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build/bench", help="the build folder")
    args = parser.parse_args()
    sys.path.insert(0, str(Path(args.build) / "python"))
    import voltrim  # noqa: E402 (from the build folder)

    cli = Path(args.build) / "src" / "voltrim-cli"
    with tempfile.TemporaryDirectory() as temp:
        long = voltrim.new_portfolio(Path(temp) / "long")
        long.update(quotes_frame(LONGEST, ["LONG"], 1), create=True)
        folder = voltrim.new_portfolio(Path(temp) / "folder")
        symbols = [f"S{n:03d}" for n in range(FOLDER_SERIES)]
        folder.update(quotes_frame(FOLDER_QUOTES, symbols, 2), create=True)
        csv = Path(temp) / "all.csv"
        with open(csv, "wb") as out:
            subprocess.run([cli, "export", folder.path, "--all", "--format", "csv"], stdout=out,
                           check=True)

        assert len(long.quotes("LONG")) == LONGEST
        python = fastest(lambda: long.quotes("LONG"), QUICK_REPEATS)
        arrays = fastest(lambda: voltrim._voltrim.quotes(os.fsencode(long.path), b"LONG"),
                         QUICK_REPEATS)
        native = voltrim._voltrim._read_series_seconds(os.fsencode(long.path), b"LONG",
                                                       QUICK_REPEATS)
        print(f"quotes() of {LONGEST:,} quotes: {python * 1e3:.3f} ms (its arrays "
              f"{arrays * 1e3:.3f} ms, the rest pandas making the frame); C++ ReadSeries: "
              f"{native * 1e3:.3f} ms; ratio {python / native:.2f} (goal <= 2)")

        rows = len(folder.read_all())
        read_all = fastest(folder.read_all)
        read_csv = fastest(lambda: pd.read_csv(csv))
        print(f"read_all() of {FOLDER_SERIES} series ({rows:,} quotes): {read_all * 1e3:.1f} ms; "
              f"pandas.read_csv of their export ({csv.stat().st_size / 1e6:.1f} MB): "
              f"{read_csv * 1e3:.1f} ms; {read_csv / read_all:.1f}x faster (goal > 1)")


if __name__ == "__main__":
    main()
