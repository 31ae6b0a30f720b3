# Sourced by tools/release.sh: --make-demo-inputs, a demo distributor's inputs.

make_demo_inputs() {
  local dir=$1 ca
  step="demo inputs"
  if [ -d "$dir" ] && [ -n "$(ls -A "$dir")" ] && [ "$force" != 1 ]; then
    fail "$dir is not empty: its keys would be replaced (give --force to replace them)"
  fi
  mkdir -p "$dir/trust_keys" "$dir/codesign" || fail "cannot make $dir"
  dir=$(cd "$dir" && pwd)
  ca=$(mktemp -d) || fail "cannot make a temporary folder"
  work=$ca
  run_step "demo inputs" make_demo_files "$dir" "$ca"
  echo "Demo distributor inputs in $dir; make a release with:"
  echo "  tools/release.sh --inputs $dir/distributor.cmake --cert $dir/codesign/chain.pem \\"
  echo "      --key $dir/codesign/key.pem --ca-file $dir/codesign/root.pem"
}

# What a distributor holds: the code-signing chain and key and the root to
# verify against (the root's own key is thrown away), the package and seed
# keys, the ten trust keys and their table, and the inputs file naming them.
make_demo_files() {
  local dir=$1 ca=$2 number name host
  set -e
  printf '[req]\ndistinguished_name=dn\n[dn]\n[root]\nbasicConstraints=critical,CA:true
keyUsage=critical,keyCertSign,cRLSign\nsubjectKeyIdentifier=hash
[signer]\nbasicConstraints=critical,CA:false\nkeyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n' \
    >"$ca/ext.cnf"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/root.key" -out "$dir/codesign/root.pem" \
    -days 3650 -sha256 -subj "/O=Demo Distributor/CN=Demo Distributor Root" \
    -set_serial 0x51A2B3C4D5E601 -extensions root -config "$ca/ext.cnf"
  openssl req -newkey rsa:2048 -nodes -keyout "$dir/codesign/key.pem" -out "$ca/signer.csr" \
    -subj "/O=Demo Distributor/CN=Demo Distributor Code Signing"
  openssl x509 -req -in "$ca/signer.csr" -CA "$dir/codesign/root.pem" -CAkey "$ca/root.key" \
    -set_serial 0x8A1B2C3D02 -days 3650 -sha256 -extfile "$ca/ext.cnf" -extensions signer \
    -out "$ca/signer.pem"
  cat "$ca/signer.pem" "$dir/codesign/root.pem" >"$dir/codesign/chain.pem"
  for number in 0 1 2 3 4 5 6 7 8 9; do
    openssl genrsa -out "$dir/trust_keys/key_$number.pem" 1024
  done
  build_native_tools
  "$native/trust_tool/trust_tool" key-table "$dir"/trust_keys/key_{0..9}.pem \
    >"$dir/trust_key_table.txt"
  openssl genrsa -out "$dir/package_signing_key.pem" 1024
  openssl ecparam -name prime256v1 -genkey -noout -out "$dir/variations_seed_key.pem"
  {
    echo "# A demo distributor's release inputs (tools/release.sh --make-demo-inputs)."
    echo "set(LITE_TRUST_KEY_TABLE \"$dir/trust_key_table.txt\" CACHE FILEPATH \"\")"
    echo "set(LITE_PACKAGE_SIGNING_KEY \"$dir/package_signing_key.pem\" CACHE FILEPATH \"\")"
    echo "set(LITE_VARIATIONS_SEED_KEY \"$dir/variations_seed_key.pem\" CACHE FILEPATH \"\")"
    while read -r name host; do
      echo "set($name \"https://$host.demo-distributor.example\" CACHE STRING \"\")"
    done <<'HOSTS'
LITE_DOWNLOAD_HOST download
LITE_LEGAL_HOST legal
LITE_BROWSER_API_HOST api
LITE_STATISTICS_HOST stat
LITE_STORAGE_HOST storage
LITE_CRASH_HOST crash
LITE_BROWSER_SITE browser
LITE_MAKER_SITE www
HOSTS
  } >"$dir/distributor.cmake"
}
