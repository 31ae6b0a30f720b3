#!/usr/bin/env bash
# Fetches Debian's jansson source package and unpacks it as DEST/jansson.
#
# The source needs deb-src entries. They are derived from the machine's own
# entries for Debian's archive (tools/deb_src_entries.py: same URIs and
# keyrings, so no archive host is named here) and given to apt for this fetch
# alone, with private lists and cache in a work folder under TMPDIR and the
# update hooks cleared: the machine's apt configuration, package lists and
# caches stay as they were. The work folder goes on success, failure and
# interruption alike; DEST/jansson appears whole or not at all.
#
# usage: fetch-jansson.sh DEST
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 DEST" >&2; exit 2; }
dest=$1
root=$(cd "$(dirname "$0")/.." && pwd)

# bash runs the EXIT trap when a signal (Ctrl-C included) ends it too.
work=""
trap 'rm -rf "$work" "$dest/jansson.new"' EXIT
work=$(mktemp -d -t lite-apt-XXXXXX)
# apt's own temporary files (its signature checks' keyrings and data) go
# there too: a signal leaves them behind.
export TMPDIR="$work"

codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
eval "$(apt-config shell source_list Dir::Etc::SourceList/f source_parts Dir::Etc::SourceParts/d)"
/usr/bin/python3 "$root/tools/deb_src_entries.py" "$source_list" "$source_parts" "$codename" \
  >"$work/src.list"
grep -q '^deb-src ' "$work/src.list" || {
  echo "fetch-jansson: apt names no source from Debian's archive for $codename to fetch jansson's source from" >&2
  exit 1
}

# A hook written for the machine's own lists (a desktop's package-cache
# refresh, say) has no business with these.
cat >"$work/apt.conf" <<'EOF'
#clear APT::Update::Pre-Invoke;
#clear APT::Update::Post-Invoke;
#clear APT::Update::Post-Invoke-Success;
EOF
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/source"
apt_opts=(
  -c "$work/apt.conf"
  -o Dir::Etc::SourceList="$work/src.list" -o Dir::Etc::SourceParts="$work/parts"
  -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
  -o APT::Sandbox::User=root
)
if ! { apt-get "${apt_opts[@]}" update -qq >/dev/null &&
       (cd "$work/source" && apt-get "${apt_opts[@]}" source -qq jansson >/dev/null); } 2>"$work/log"; then
  cat "$work/log" >&2
  exit 1
fi
# A rename within DEST, so that a jansson folder there is always a whole one.
rm -rf "$dest/jansson.new"
mv -T "$work/source"/jansson-*/ "$dest/jansson.new"
mv -T "$dest/jansson.new" "$dest/jansson"
