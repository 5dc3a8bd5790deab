#!/usr/bin/env python3
"""Runs one end-to-end test module inside private namespaces.

Usage: run.py <module name> [unittest arguments]
Needs PAPYR_EXE and PAPYR_SOURCE_DIR in the environment (CTest sets them) and
root (for unshare and mount).
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402


def main():
    if not harness.inside_namespace():
        if os.geteuid() != 0:
            print("end-to-end tests need root for mount namespaces", file=sys.stderr)
            return 1
        harness.reexec_in_namespace([os.path.abspath(__file__)] + sys.argv[1:])
    # Resolve the anchors before any test mounts over /tmp.
    harness.executable()
    harness.source_dir()
    module = sys.argv[1]
    program = unittest.main(module=module, argv=[sys.argv[0]] + sys.argv[2:], exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
