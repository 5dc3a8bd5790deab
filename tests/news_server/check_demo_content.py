#!/usr/bin/env python3
"""The demo set compiled into papyr-server is the stand-in server's.

assets/demo_content.json is written by
    python3 tests/support/news_server.py --dump-content > assets/demo_content.json
and this check fails when either side changed without the other."""
import json
import os
import sys

source_dir = sys.argv[1]
sys.path.insert(0, os.path.join(source_dir, "tests", "support"))
import demo_content  # noqa: E402

with open(os.path.join(source_dir, "assets", "demo_content.json"), encoding="utf-8") as file:
    compiled = json.load(file)
expected = demo_content.build()
if compiled != expected:
    print("assets/demo_content.json differs from tests/support/demo_content.py; "
          "regenerate it with: python3 tests/support/news_server.py --dump-content "
          "> assets/demo_content.json", file=sys.stderr)
    sys.exit(1)
print(f"demo content: {len(compiled['feeds'])} feeds and {len(compiled['articles'])} articles, "
      "the same as the stand-in server's")
