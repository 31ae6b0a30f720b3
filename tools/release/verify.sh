# Sourced by tools/release.sh: --verify, checking published files against a
# rebuild of their commit.

# Where FILE's first difference from OTHER lies: "byte 0x... (section .text)".
first_difference() {
  local offset section="headers" index name size at rest
  offset=$(cmp "$1" "$2" 2>/dev/null | sed -n 's/.* \(byte\|char\) \([0-9]*\).*/\2/p')
  if [ -z "$offset" ]; then
    echo "its length ($(stat -c %s "$1") bytes, the rebuild $(stat -c %s "$2"))"
    return
  fi
  offset=$((offset - 1))
  while read -r index name size _ _ at rest; do
    # Sections without bytes in the file (.bss) have offset 0.
    [[ "$index" =~ ^[0-9]+$ ]] && ((16#$at != 0)) || continue
    if ((offset >= 16#$at && offset < 16#$at + 16#$size)); then
      section=$name
      break
    fi
  done < <(i686-w64-mingw32-objdump -h "$2" 2>/dev/null)
  printf 'byte 0x%x (%s)\n' "$offset" "$section"
}

# Serial and issuer of a certificate, as osslsigncode prints a signer's.
signer_identity() {
  printf '%s %s\n' "$(openssl x509 -in "$1" -noout -serial | sed 's/^serial=//')" \
    "$(openssl x509 -in "$1" -noout -issuer -nameopt compat | sed 's/^issuer=//')"
}

# Why a published file is not the distributor's signed PE file, holding
# nothing unsigned but a tag; nothing when it is. Prints the tag on fd 3.
published_fault() {
  local file=$1 read_error verified checked
  [ -f "$file" ] || {
    echo "$file: no such file"
    return
  }
  read_error=$("$native/tag_tool/tag_tool" read "$file" 2>&1 >/dev/null)
  case "$read_error" in
    *"not a PE file"*) echo "$file is not a PE file"; return ;;
    *"not a signed PE file"*) echo "$file is not signed"; return ;;
  esac
  if ! checked=$("$native/tag_tool/tag_tool" check "$file" 2>&1); then
    echo "${checked#tag_tool: }"
    return
  fi
  if ! verified=$(osslsigncode verify -CAfile "$ca_file" -in "$file" 2>&1); then
    echo "the signature of $file does not verify against $ca_file"
    return
  fi
  local serial issuer
  serial=$(sed -n 's/^[[:space:]]*Serial : //p' <<<"$verified" | head -n 1)
  issuer=$(sed -n 's/^[[:space:]]*Issuer : //p' <<<"$verified" | head -n 1)
  if [ "$serial $issuer" != "$(signer_identity "$work/leaf.pem")" ]; then
    echo "$file is signed by another certificate (serial $serial, issuer $issuer), not by the one in $cert"
  else
    echo "$checked" >&3
  fi
}

verify() {
  [ -n "$commit" ] || usage_error "--verify needs --commit COMMIT"
  step="inputs"
  check_files inputs cert ca_file
  finish_checks
  local started file fault
  started=$(date +%s)
  work=$(mktemp -d) || fail "cannot make a temporary folder"
  check_inputs
  local resolved
  resolved=$(git -C "$root" rev-parse --verify --quiet "$commit^{commit}") ||
    problem "$commit is not a commit of this repository"
  finish_checks

  # Every file is looked at, whatever an earlier one's fault; only the good
  # ones are compared with the rebuild.
  step="published files"
  local good=() status=0 tag
  for file in "${published[@]}"; do
    fault=$(published_fault "$file" 3>"$work/tag")
    if [ -n "$fault" ]; then
      echo "release: failed at published files: $fault" >&2
      status=$FAILED
      continue
    fi
    tag=$(<"$work/tag")
    if [ -n "$tag" ]; then
      echo "verify: $file carries the tag \"$tag\""
    else
      echo "verify: $file carries no tag"
    fi
    good+=("$file")
  done
  [ ${#good[@]} -gt 0 ] || exit "$status"
  echo "release: inputs and published files passed ($(($(date +%s) - started)) s)"

  # The rebuild takes the date the release was built with, from its header.
  export SOURCE_DATE_EPOCH
  SOURCE_DATE_EPOCH=$(header_date "${good[0]}")
  echo "build date: $SOURCE_DATE_EPOCH ($(readable_date "$SOURCE_DATE_EPOCH"), the time stamp of ${good[0]})"
  local source="$work/source"
  run_step "checkout" checkout "$resolved" "$source"
  run_step "native tools of the commit" build_commit_tools "$source"
  run_step "configure" configure_release "$source"
  run_step "build" build_release "$source"
  step="compare"
  local rebuilt="$work/rebuilt.content" content="$work/published.content"
  "$native/tag_tool/tag_tool" signed-content "$source/build/release-i686/lite_installer.exe" \
    "$rebuilt" || fail "cannot read the rebuilt installer"
  echo "rebuilt unsigned sha256: $(sha256sum "$source/build/release-i686/lite_installer.exe" |
    cut -d' ' -f1)"
  for file in "${good[@]}"; do
    if [ "$(header_date "$file")" != "$SOURCE_DATE_EPOCH" ]; then
      echo "release: failed at compare: $file was built on $(header_date "$file"), not" \
        "$SOURCE_DATE_EPOCH like ${good[0]}: check it in a run of its own" >&2
      [ "$status" -ne 0 ] || status=$MISMATCH
    elif ! "$native/tag_tool/tag_tool" signed-content "$file" "$content"; then
      echo "release: failed at compare: cannot read $file" >&2
      status=$FAILED
    elif cmp -s "$content" "$rebuilt"; then
      echo "verify: $file matches the rebuild of $resolved"
    else
      echo "release: failed at compare: $file differs from the rebuild of $resolved at" \
        "$(first_difference "$content" "$rebuilt")" >&2
      [ "$status" -ne 0 ] || status=$MISMATCH
    fi
  done
  exit "$status"
}

# The commit's files alone, with the cross-built libraries of tools/setup.sh.
checkout() {
  mkdir -p "$2/build" && git -C "$root" archive "$1" | tar -x -C "$2" &&
    ln -s "$(cd "$root/build/deps" && pwd -P)" "$2/build/deps"
}

# The commit's own package tool makes its packages, and its own key_check
# (in commits that have one) checks its keys when it configures.
build_commit_tools() {
  local targets=(package_tool)
  [ -d "$1/tools/key_check" ] && targets+=(key_check)
  CC=clang CXX=clang++ cmake -S "$1/tools/native" -B "$1/build/native" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build "$1/build/native" --target "${targets[@]}"
}
