"""Shared helpers of the module's tests: the CLI beside the module, portfolios to change
and snapshots of folders."""
import os
import subprocess
from pathlib import Path

import pytest

voltrim = pytest.importorskip("voltrim")

CLI = os.environ.get("VOLTRIM_CLI", "voltrim-cli")
SHARED_DATA = Path(os.environ.get("VOLTRIM_SHARED_DATA_DIR", "/nonexistent"))
VALUES = ["open", "high", "low", "close", "volume", "openint"]  # a frame's value columns

# A blocked write gives up after this long in the tests, not after seconds.
voltrim._voltrim._set_lock_wait(200)


def cli(*args, check=True):
    """voltrim-cli's result: (exit status, stdout, stderr)."""
    done = subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"voltrim-cli {args}: {done.returncode}\n{done.stderr}")
    return done.returncode, done.stdout, done.stderr


def snapshot(folder, journal=True):
    """Every file below folder and its bytes. Without journal, the undo history (whose
    journals hold the changes' words) is left out."""
    files = {}
    for path in sorted(Path(folder).rglob("*")):
        undo = any(part.startswith((".voltrim-undo", ".voltrim-history")) for part in path.parts)
        if path.is_file() and (journal or not undo):
            files[str(path.relative_to(folder))] = path.read_bytes()
    return files


def samples_folder(tmp_path, name):
    """One of the demonstration portfolios (Stocks, Futures, Legacy), made by the CLI."""
    cli("sample", tmp_path / "made")
    return tmp_path / "made" / name


def shared_folder(name):
    if not (SHARED_DATA / name).is_dir():
        pytest.skip(f"no shared data folder {SHARED_DATA / name}")
    return SHARED_DATA / name
