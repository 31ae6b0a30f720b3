#!/usr/bin/env bash
# Makes TLS server certificates for the HTTPS tests in OUT_DIR, issued by the
# test PKI's root (ROOT.pem, ROOT.key), which the test prefixes trust:
#   localhost.{pem,key}     for the DNS name localhost, valid now
#   expired.{pem,key}       for localhost, valid only in 2020
#   wrong_host.{pem,key}    for other.example, valid now
#   untrusted.{pem,key}     for localhost, from a root no prefix trusts
set -euo pipefail
out=${1:?usage: make_tls_certs.sh OUT_DIR ROOT.pem ROOT.key}
root_pem=$(realpath "${2:?}")
root_key=$(realpath "${3:?}")
mkdir -p "$out"
cd "$out"

cat >ext.cnf <<'CNF'
[server]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:${ENV::TLS_HOST}
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
copy_extensions = none
[any]
commonName = supplied
CNF
: >index.txt
echo 1000 >serial

# name host issuer-pem issuer-key [start end]
issue() {
  local name=$1 host=$2 ca_pem=$3 ca_key=$4
  openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" \
    -subj "/CN=$host" 2>/dev/null
  if [ $# -gt 4 ]; then
    TLS_HOST=$host openssl ca -batch -config ext.cnf -extfile ext.cnf -extensions server \
      -cert "$ca_pem" -keyfile "$ca_key" -startdate "$5" -enddate "$6" \
      -in "$name.csr" -out "$name.pem" -notext 2>/dev/null
  else
    TLS_HOST=$host openssl x509 -req -in "$name.csr" -CA "$ca_pem" -CAkey "$ca_key" \
      -set_serial "0x$(openssl rand -hex 8)" -days 30 -sha256 -extfile ext.cnf -extensions server \
      -out "$name.pem" 2>/dev/null
  fi
  rm "$name.csr"
}

issue localhost localhost "$root_pem" "$root_key"
issue expired localhost "$root_pem" "$root_key" 20200101000000Z 20201231000000Z
issue wrong_host other.example "$root_pem" "$root_key"
openssl req -x509 -newkey rsa:2048 -nodes -keyout other_root.key -out other_root.pem -days 30 \
  -sha256 -subj "/CN=Untrusted Test Root" -addext basicConstraints=critical,CA:true \
  -addext keyUsage=critical,keyCertSign 2>/dev/null
issue untrusted localhost other_root.pem other_root.key
