"""Shared helpers of the module's tests: the CLI beside the module, portfolios to change,
snapshots of folders, and another writer holding a portfolio."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

voltrim = pytest.importorskip("voltrim")

CLI = os.environ.get("VOLTRIM_CLI", "voltrim-cli")
SHARED_DATA = Path(os.environ.get("VOLTRIM_SHARED_DATA_DIR", "/nonexistent"))

# A blocked write gives up after this long in the tests, not after seconds.
voltrim._voltrim._set_lock_wait(200)


def cli(*args, check=True):
    """voltrim-cli's result: (exit status, stdout, stderr)."""
    done = subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"voltrim-cli {args}: {done.returncode}\n{done.stderr}")
    return done.returncode, done.stdout, done.stderr


def snapshot(folder, journal=True):
    """Every file below folder and its bytes. Without journal, the undo journal (whose text
    holds the change's words) and the contents it keeps are left out."""
    files = {}
    for path in sorted(Path(folder).rglob("*")):
        if path.is_file() and (journal or not path.name.startswith(".voltrim-undo")):
            files[str(path.relative_to(folder))] = path.read_bytes()
    return files


@pytest.fixture
def samples(tmp_path):
    """The demonstration portfolios (Stocks, Futures, Legacy), made by the CLI."""
    cli("sample", tmp_path / "samples")
    return tmp_path / "samples"


def shared_folder(name):
    if not (SHARED_DATA / name).is_dir():
        pytest.skip(f"no shared data folder {SHARED_DATA / name}")
    return SHARED_DATA / name


def copy_of(folder, to):
    shutil.copytree(folder, to)
    return to


class HeldPortfolio:
    """Another program holding the portfolio's lock (flock on the folder itself), as the
    desktop program does during a write."""

    def __init__(self, folder):
        self.folder = folder

    def __enter__(self):
        code = ("import fcntl, os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); "
                "fcntl.flock(fd, fcntl.LOCK_EX); print('held', flush=True); sys.stdin.read()")
        self.holder = subprocess.Popen([sys.executable, "-c", code, str(self.folder)],
                                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        assert self.holder.stdout.readline().strip() == "held"
        return self

    def __exit__(self, *exc):
        self.holder.stdin.close()
        self.holder.wait()
