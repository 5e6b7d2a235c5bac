#!/usr/bin/env bash
# Takes a picture of the login dialog for a reviewer: scripts/login-dialog-screenshot.sh
# BUILD_DIR [OUT.png] (default BUILD_DIR/login-dialog.png).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: login-dialog-screenshot.sh BUILD_DIR [OUT.png]}" && pwd)
exec "$here/desktop-screenshot.sh" "$build" login_dialog_shot.exe login-dialog-shot 640x400 \
  "${2:-$build/login-dialog.png}"
