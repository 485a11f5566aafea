#!/usr/bin/env bash
# What the browser cases need, installed when missing: Debian's chromium and firefox-esr (and Node
# with npm), its publicsuffix (packed into the extension), and the pinned node packages of
# package-lock.json. Quiet and quick when all is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
missing=()
for package in chromium firefox-esr publicsuffix; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
command -v node >/dev/null && command -v npm >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing ${missing[*]}" >&2
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ! -d "$here/node_modules" ] || [ "$here/package-lock.json" -nt "$here/node_modules" ]; then
    echo "== npm ci in tests/browser" >&2
    npm ci --prefix "$here" --no-audit --no-fund --loglevel=error >/dev/null
    touch "$here/node_modules"
fi
