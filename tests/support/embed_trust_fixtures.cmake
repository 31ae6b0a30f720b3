# Writes a header holding the trust test data made at build time: the test
# PKI's certificates, a trusted list signed by trust_tool, and the public key
# that checks it. Run with -DPKI_DIR= -DTRUST_DIR= -DPUBLIC_KEY= -DOUTPUT=.
function(append_bytes name file)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND header "inline const char ${name}[] = {${bytes}};\n")
  string(APPEND header "inline constexpr size_t ${name}Size = sizeof(${name});\n")
  set(header "${header}" PARENT_SCOPE)
endfunction()

set(header "// Generated at build time from the test PKI and trust_tool's output.\n#pragma once\n\n#include <cstddef>\n\nnamespace trust_fixtures {\n\n")
append_bytes(kRootDer ${PKI_DIR}/root.der)
append_bytes(kSha1ListedDer ${PKI_DIR}/sha1_listed.der)
append_bytes(kSha256ListedDer ${PKI_DIR}/sha256_listed.der)
append_bytes(kSha1UnlistedDer ${PKI_DIR}/sha1_unlisted.der)
append_bytes(kSha256UnlistedDer ${PKI_DIR}/sha256_unlisted.der)
append_bytes(kTrustedJson ${TRUST_DIR}/TRUSTED.JSON)
append_bytes(kSignatureDat ${TRUST_DIR}/SIGNATURE.DAT)
append_bytes(kPublicKeyDer ${PUBLIC_KEY})
string(APPEND header "\n}  // namespace trust_fixtures\n")
file(WRITE ${OUTPUT}.tmp "${header}")
configure_file(${OUTPUT}.tmp ${OUTPUT} COPYONLY)
