# Sourced by tools/release.sh: making a release (the default mode).

release() {
  step="inputs"
  check_files inputs cert key ca_file
  finish_checks
  local started
  started=$(date +%s)
  mkdir -p "$(dirname "$output")" 2>/dev/null || fail "cannot make the folder of $output"
  work=$(mktemp -d "$(dirname "$output")/.release-XXXXXX") ||
    fail "cannot write in the folder of $output"
  check_inputs
  if [ -n "$timestamp_url" ] && ! [[ "$timestamp_url" =~ ^https?://[^/]+ ]]; then
    problem "--timestamp-url must be an http:// or https:// address, not $timestamp_url"
  fi
  take_build_date
  finish_checks
  echo "release: inputs passed ($(($(date +%s) - started)) s)"
  echo "build date: $SOURCE_DATE_EPOCH ($(readable_date "$SOURCE_DATE_EPOCH"), $date_origin)"

  local commit dirty=""
  commit=$(git -C "$root" rev-parse HEAD 2>/dev/null) || commit="unknown"
  [ -z "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ] ||
    dirty=" with uncommitted changes (not reproducible from the commit)"

  run_step "configure" configure_release "$root"
  run_step "build" build_release "$root"
  local built="$root/build/release-i686/lite_installer.exe" signed="$work/lite_installer.exe"
  local timestamp=()
  [ -n "$timestamp_url" ] && timestamp=(-ts "$timestamp_url")
  run_step "sign" osslsigncode sign -certs "$cert" -key "$key" -h sha256 "${timestamp[@]}" \
    -in "$built" -out "$signed"
  run_step "verify" osslsigncode verify -CAfile "$ca_file" -in "$signed"
  run_step "tag check" tag_check "$signed"
  # --verify reads the date back from there.
  step="build date"
  [ "$(header_date "$signed")" = "$SOURCE_DATE_EPOCH" ] ||
    fail "the release's time stamp is $(header_date "$signed"), not the build date $SOURCE_DATE_EPOCH"
  step="move into place"
  mv -f "$signed" "$output" || fail "cannot move the release to $output"
  echo "release: $output"
  echo "size: $(stat -c %s "$output") bytes"
  echo "sha256: $(sha256sum "$output" | cut -d' ' -f1)"
  echo "unsigned sha256: $(sha256sum "$built" | cut -d' ' -f1)"
  echo "commit: $commit$dirty"
  echo "build date: $SOURCE_DATE_EPOCH (in the PE header's time stamp, which --verify reads)"
}

# The tag tool must tag the signed file and read the tag back, and the tagged
# copy must keep a valid signature and the same signed content.
tag_check() {
  local signed=$1 tagged="$work/tagged.exe" tag="release-check=1"
  "$native/tag_tool/tag_tool" write -o "$tagged" "$signed" "$tag" &&
    [ "$("$native/tag_tool/tag_tool" read "$tagged")" = "$tag" ] ||
    { echo "the tag tool cannot tag $signed and read the tag back"; return 1; }
  osslsigncode verify -CAfile "$ca_file" -in "$tagged" >/dev/null ||
    { echo "the tagged copy's signature failed to verify"; return 1; }
  "$native/tag_tool/tag_tool" signed-content "$signed" "$work/signed.content" &&
    "$native/tag_tool/tag_tool" signed-content "$tagged" "$work/tagged.content" &&
    cmp -s "$work/signed.content" "$work/tagged.content" ||
    { echo "tagging changed what the signature covers"; return 1; }
}
