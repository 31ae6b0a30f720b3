#!/usr/bin/env bash
# Makes the test code-signing PKI in OUT_DIR: a root, signing certificates
# whose certificates the root signed with SHA-1 and with SHA-256, one listed
# and one unlisted pair of each kind, and a chain file (signer, then root) for
# each. Serials are fixed and several bytes long so that byte order shows.
# Also the ten RSA-1024 keys of a test build's trust key table
# (trust_keys/key_0.pem ... key_9.pem) and one key outside it (foreign.pem).
# And TLS server certificates for the HTTPS tests, in tls/, from the same root:
#   localhost.{pem,key}     for the DNS name localhost, valid now
#   expired.{pem,key}       for localhost, valid only in 2020
#   wrong_host.{pem,key}    for other.example, valid now
#   untrusted.{pem,key}     for localhost, from a root no prefix trusts
# Nothing here is ever committed: every build tree makes its own.
# Does nothing when OUT_DIR already holds a complete set.
set -euo pipefail
out=${1:?usage: make_test_pki.sh OUT_DIR}
[ -f "$out/complete" ] && [ -f "$out/tls/untrusted.pem" ] && exit 0
mkdir -p "$out"
cd "$out"
# The server section reads the host name from the environment; every use of
# the file parses it, so it must always be set.
export TLS_HOST=localhost

cat >ext.cnf <<'CNF'
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
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

openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 3650 -sha256 \
  -subj "/O=Velmar Test/CN=Velmar Test Root" -set_serial 0x51A2B3C4D5E601 \
  -extensions root -config <(printf '[req]\ndistinguished_name=dn\n[dn]\n'; cat ext.cnf) \
  2>/dev/null
openssl x509 -in root.pem -outform DER -out root.der

# name digest serial
while read -r name digest serial; do
  openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" \
    -subj "/O=Velmar Test/CN=Velmar Test $name" 2>/dev/null
  openssl x509 -req -in "$name.csr" -CA root.pem -CAkey root.key -set_serial "$serial" \
    -days 3650 "-$digest" -extfile ext.cnf -extensions signer -out "$name.pem" 2>/dev/null
  openssl x509 -in "$name.pem" -outform DER -out "$name.der"
  cat "$name.pem" root.pem >"$name.chain.pem"
  rm "$name.csr"
done <<'LIST'
sha1_listed sha1 0x0A1B2C3D01
sha256_listed sha256 0x8A1B2C3D02
sha1_unlisted sha1 0x0B1B2C3D03
sha256_unlisted sha256 0x0B1B2C3D04
LIST
mkdir -p trust_keys
for number in 0 1 2 3 4 5 6 7 8 9 foreign; do
  openssl genrsa -out "trust_keys/key_$number.pem" 1024 2>/dev/null
done
mv trust_keys/key_foreign.pem trust_keys/foreign.pem

mkdir -p tls
: >tls/index.txt
echo 1000 >tls/serial
# name host issuer [start end]; the issuer is root or other_root.
issue() {
  local name=$1 host=$2 ca=$3
  openssl req -newkey rsa:2048 -nodes -keyout "tls/$name.key" -out "tls/$name.csr" \
    -subj "/CN=$host" 2>/dev/null
  if [ $# -gt 3 ]; then
    (cd tls && TLS_HOST=$host openssl ca -batch -config ../ext.cnf -extfile ../ext.cnf \
      -extensions server -cert "../$ca.pem" -keyfile "../$ca.key" -startdate "$4" -enddate "$5" \
      -in "$name.csr" -out "$name.pem" -notext 2>/dev/null)
  else
    TLS_HOST=$host openssl x509 -req -in "tls/$name.csr" -CA "$ca.pem" -CAkey "$ca.key" \
      -set_serial "0x$(openssl rand -hex 8)" -days 3650 -sha256 -extfile ext.cnf \
      -extensions server -out "tls/$name.pem" 2>/dev/null
  fi
  rm "tls/$name.csr"
}
openssl req -x509 -newkey rsa:2048 -nodes -keyout other_root.key -out other_root.pem -days 3650 \
  -sha256 -subj "/O=Velmar Test/CN=Untrusted Test Root" -extensions root \
  -config <(printf '[req]\ndistinguished_name=dn\n[dn]\n'; cat ext.cnf) 2>/dev/null
issue localhost localhost root
issue expired localhost root 20200101000000Z 20201231000000Z
issue wrong_host other.example root
issue untrusted localhost other_root
touch complete
