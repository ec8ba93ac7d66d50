"""Runs the Python module's tests with pytest; exit status 77 (skipped) without pytest or
pandas, so that the test command says so instead of failing."""
import sys

try:
    import pandas  # noqa: F401
    import pytest
except ImportError as missing:
    print(f"skipped: {missing.name} is not installed (python3-pytest, python3-pandas)")
    sys.exit(77)

sys.exit(pytest.main(["-q", "-p", "no:cacheprovider", *sys.argv[1:]]))
