#!/usr/bin/env bash
# apt-get source needs a deb-src entry; adds one for each Debian registry apt already uses for binaries.
set -euo pipefail
if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
out=/etc/apt/sources.list.d/fernwatch-deb-src.sources
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$out" ] || continue
    grep -q '^Types:.*\bdeb\b' "$f" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f"
    echo
done | $sudo tee "$out" >/dev/null
if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $sudo tee "${out%.sources}.list" >/dev/null || true
fi
$sudo apt-get update -qq
