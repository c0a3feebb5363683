#!/usr/bin/env bash
# The packages: build the .deb, .tar.gz and Windows .zip, then install and check them.
set -euo pipefail
bash scripts/package
bash scripts/check-packages
