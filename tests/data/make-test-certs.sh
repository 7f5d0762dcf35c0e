#!/usr/bin/env bash
# Makes the certificates that the tests read, with openssl (GOST through the "gost" engine).
#
#   make-test-certs.sh OUTDIR
#
# Keys are generated afresh on every run; file names, subjects, serial numbers and
# extensions are fixed, so tests may rely on them. Files written to OUTDIR (DER unless
# noted):
#
#   ca.der                 RSA 2048 test CA, self-signed, serial 01, with a subject key
#                          identifier. Subject: C=RU, O=Certinstall Tests, CN=Certinstall Test CA.
#                          Issuer of the certificates below that say "issued by the CA".
#   rsa.der                RSA 2048, issued by the CA, serial 01 02 03, with a subject key
#                          identifier. Subject: C=RU, O=Certinstall Tests, CN=RSA Test.
#   ec.der                 EC P-256, issued by the CA, serial 02, with a subject key identifier.
#                          Subject: C=RU, O=Certinstall Tests, CN=EC Test.
#   gost2012.der           GOST R 34.10-2012 (256 bit, parameter set A), self-signed, serial 03,
#                          with a subject key identifier. Subject (UTF8String Cyrillic, a comma
#                          inside O, INN/OGRN/SNILS as NumericString, e-mail as IA5String):
#                          C=RU, L=Москва, O=Рога и копыта, ООО, CN=Иванов Иван Иванович,
#                          SN=Иванов, GN=Иван Иванович, emailAddress=ivanov@roga.example,
#                          INN (1.2.643.3.131.1.1)=007712345678,
#                          OGRN (1.2.643.100.1)=1027700132195, SNILS (1.2.643.100.3)=12345678901.
#   comma.der              RSA, issued by the CA, serial 04, with a comma in an English value.
#                          Subject: C=US, O=Acme, Inc., CN=Comma Test.
#   multivalued.der        RSA, issued by the CA, serial 05; a multi-valued RDN.
#                          Subject: O=Multi Org, CN=Alice + OU=Sales (one RDN holding CN and OU).
#   no-cn.der              RSA, issued by the CA, serial 06; no common name.
#                          Subject: C=RU, O=Only Org.
#   san-email.der          RSA, issued by the CA, serial 07; no CN, OU, O or e-mail attribute in
#                          the subject, a subject alternative name with, in this order, the
#                          e-mail san@mail.example, the DNS name host.san.example, the URI
#                          https://san.example/ and the UPN upn-user@upn.example.
#                          Subject: C=RU, L=Pskov.
#   no-ski.der             RSA, issued by the CA, serial 08, WITHOUT a subject key identifier
#                          and without alternative names. Subject: C=RU, L=Tver.
#   serial-leading-zero.der  RSA, issued by the CA, serial FF 00 A1 B2 C3 D4 (its DER INTEGER
#                          needs a leading zero byte: 00 FF 00 A1 B2 C3 D4).
#                          Subject: O=Certinstall Tests, CN=Leading Zero Serial.
#   string-types.der       RSA, issued by the CA, serial 09, subject written with the widest
#                          string mask, so that each value takes the narrowest type:
#                          C=DE (PrintableString), L=München (T61String, Latin-1 bytes),
#                          O=Printable Org (PrintableString), CN=Тест BMP (BMPString),
#                          emailAddress=types@mail.example (IA5String).
#   large.der              RSA, issued by the CA, serial 0A, longer than 2000 bytes: many
#                          extensions (60 DNS names, policies, key usages, CRL and AIA points).
#                          Subject: C=RU, O=Certinstall Tests, CN=Large Certificate.
#   all.pem                every certificate above in PEM, in the order listed.
#
# PKCS #12 files, password "secret" unless noted, each holding the key of its certificate:
#   rsa.pfx                rsa.der's key, friendly name "Ключ RSA" (AES-256, PBKDF2).
#   rsa-legacy.pfx         the same made with -legacy (RC2 and 3DES), without a friendly name.
#   ec.pfx                 ec.der's key, friendly name "EC Test".
#   gost2012.pfx           gost2012.der's key, friendly name "Иванов".
#   empty-password.pfx     rsa.der's key, the empty password, friendly name "Без пароля".
#   chain.pfx              a chain of three: the leaf (EC P-256, key usage digitalSignature
#                          only, CN=Chain Leaf) with its key, friendly name "Цепочка", its
#                          issuer (CN=Certinstall Test Intermediate, issued by the CA) and the CA.
#   damaged.pfx            rsa.pfx cut to its first 1000 bytes.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A private configuration, so that the host's openssl.cnf cannot change the results.
cfg=$work/openssl.cnf
{
  cat <<'CONF'
[req]
distinguished_name = req_dn
string_mask = utf8only
utf8 = yes
prompt = no

# Lets openssl pick the narrowest string type for each value.
[req_widest]
distinguished_name = req_dn
string_mask = default
utf8 = yes
prompt = no

[req_dn]

[ca_ext]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[ee_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[ee_no_ski]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
subjectKeyIdentifier = none
authorityKeyIdentifier = none

[leaf_sign_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[gost_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation, keyEncipherment
subjectKeyIdentifier = hash
extendedKeyUsage = clientAuth, emailProtection

[san_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = @san_names

[san_names]
email.1 = san@mail.example
DNS.1 = host.san.example
URI.1 = https://san.example/
otherName.1 = msUPN;UTF8:upn-user@upn.example

[large_ext]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation, keyEncipherment, dataEncipherment
extendedKeyUsage = serverAuth, clientAuth, codeSigning, emailProtection, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
certificatePolicies = 1.2.643.100.113.1, 1.2.643.100.113.2, 2.23.140.1.2.2
crlDistributionPoints = URI:http://crl.large.example/ca.crl, URI:http://crl2.large.example/ca.crl
authorityInfoAccess = OCSP;URI:http://ocsp.large.example/, caIssuers;URI:http://ca.large.example/ca.crt
nsComment = "A certificate made large on purpose, for tests that need more than 2000 bytes."
subjectAltName = @large_names

[large_names]
CONF
  for i in $(seq 1 60); do
    echo "DNS.$i = host$i.large.example"
  done
} >"$cfg"

ossl() { openssl "$@" 2>"$work/err" || { cat "$work/err" >&2; return 1; }; }

# Keys: one per algorithm, shared by the certificates of that algorithm.
ossl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$work/ca.key"
ossl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$work/rsa.key"
ossl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/ec.key"
ossl genpkey -engine gost -algorithm gost2012_256 -pkeyopt paramset:A -out "$work/gost.key"

# ca.der
ossl req -config "$cfg" -x509 -new -key "$work/ca.key" -sha256 -days 3650 -set_serial 1 \
  -subj "/C=RU/O=Certinstall Tests/CN=Certinstall Test CA" -extensions ca_ext -out "$work/ca.pem"

# issue NAME KEY SERIAL SUBJECT EXTENSIONS [SECTION]: a certificate signed by the test CA.
issue() {
  ossl req -config "$cfg" -section "${6:-req}" -new -key "$2" -subj "$4" -out "$work/$1.csr"
  ossl req -config "$cfg" -section "${6:-req}" -x509 -in "$work/$1.csr" -key "$2" \
    -CA "$work/ca.pem" -CAkey "$work/ca.key" -sha256 -days 3650 -set_serial "$3" \
    -subj "$4" -extensions "$5" -out "$work/$1.pem"
}

issue rsa "$work/rsa.key" 0x010203 "/C=RU/O=Certinstall Tests/CN=RSA Test" ee_ext
issue ec "$work/ec.key" 2 "/C=RU/O=Certinstall Tests/CN=EC Test" ee_ext
issue comma "$work/rsa.key" 4 "/C=US/O=Acme, Inc./CN=Comma Test" ee_ext
issue multivalued "$work/rsa.key" 5 "/O=Multi Org/CN=Alice+OU=Sales" ee_ext
issue no-cn "$work/rsa.key" 6 "/C=RU/O=Only Org" ee_ext
issue san-email "$work/rsa.key" 7 "/C=RU/L=Pskov" san_ext
issue no-ski "$work/rsa.key" 8 "/C=RU/L=Tver" ee_no_ski
issue serial-leading-zero "$work/rsa.key" 0xFF00A1B2C3D4 \
  "/O=Certinstall Tests/CN=Leading Zero Serial" ee_ext
issue string-types "$work/rsa.key" 9 \
  "/C=DE/L=München/O=Printable Org/CN=Тест BMP/emailAddress=types@mail.example" ee_ext req_widest
issue large "$work/rsa.key" 0x0A "/C=RU/O=Certinstall Tests/CN=Large Certificate" large_ext

# gost2012.der: self-signed through the engine.
ossl req -config "$cfg" -engine gost -x509 -new -key "$work/gost.key" -md_gost12_256 \
  -days 3650 -set_serial 3 -extensions gost_ext \
  -subj "/C=RU/L=Москва/O=Рога и копыта, ООО/CN=Иванов Иван Иванович/SN=Иванов/GN=Иван Иванович/emailAddress=ivanov@roga.example/INN=007712345678/OGRN=1027700132195/SNILS=12345678901" \
  -out "$work/gost2012.pem"

names=(ca rsa ec gost2012 comma multivalued no-cn san-email no-ski serial-leading-zero
  string-types large)
: >"$work/all.pem"
for name in "${names[@]}"; do
  ossl x509 -engine gost -in "$work/$name.pem" -outform DER -out "$out/$name.der"
  cat "$work/$name.pem" >>"$work/all.pem"
done
mv "$work/all.pem" "$out/all.pem"

# The PKCS #12 files.
ossl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/intermediate.key"
ossl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/leaf.key"
ossl req -config "$cfg" -new -key "$work/intermediate.key" -subj "/C=RU/O=Certinstall Tests/CN=Certinstall Test Intermediate" \
  -out "$work/intermediate.csr"
ossl req -config "$cfg" -x509 -in "$work/intermediate.csr" -key "$work/intermediate.key" -CA "$work/ca.pem" \
  -CAkey "$work/ca.key" -sha256 -days 3650 -set_serial 0x20 -extensions ca_ext -out "$work/intermediate.pem"
ossl req -config "$cfg" -new -key "$work/leaf.key" -subj "/C=RU/O=Certinstall Tests/CN=Chain Leaf" -out "$work/leaf.csr"
ossl req -config "$cfg" -x509 -in "$work/leaf.csr" -key "$work/leaf.key" -CA "$work/intermediate.pem" \
  -CAkey "$work/intermediate.key" -sha256 -days 3650 -set_serial 0x21 -extensions leaf_sign_ext -out "$work/leaf.pem"
cat "$work/intermediate.pem" "$work/ca.pem" >"$work/chain-rest.pem"

# pfx NAME KEY CERTIFICATE PASSWORD [OPTIONS...]
pfx() {
  local name=$1 key=$2 cert=$3 pass=$4
  shift 4
  ossl pkcs12 -export -engine gost -inkey "$key" -in "$cert" -passout "pass:$pass" -out "$out/$name.pfx" "$@"
}
pfx rsa "$work/rsa.key" "$work/rsa.pem" secret -name "Ключ RSA"
pfx rsa-legacy "$work/rsa.key" "$work/rsa.pem" secret -legacy
pfx ec "$work/ec.key" "$work/ec.pem" secret -name "EC Test"
pfx gost2012 "$work/gost.key" "$work/gost2012.pem" secret -name "Иванов"
pfx empty-password "$work/rsa.key" "$work/rsa.pem" "" -name "Без пароля"
pfx chain "$work/leaf.key" "$work/leaf.pem" secret -certfile "$work/chain-rest.pem" -name "Цепочка"
head -c 1000 "$out/rsa.pfx" >"$out/damaged.pfx"
