#!/usr/bin/env bash
# Makes the certificates the HTTPS tests serve, into this folder:
#   authority.pem     the test certificate authority, which tests put in the
#                     system's store
#   server-key.pem    the one key of every server certificate below
#   good.pem          the marketplace's names, signed by the authority
#   wrong-name.pem    *.example.com, signed by the authority
#   expired.pem       the marketplace's names, valid only in 2000
#   self-signed.pem   the marketplace's names, signed by its own key
#   unknown-ca.pem    the marketplace's names, signed by a second authority
#                     that no store holds
# The authorities' keys are thrown away, so nobody can sign anything else
# with them. Run it again (openssl CLI) only to change the certificates; the
# tests read the committed files.
set -euo pipefail

out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The server certificates' names, which the config below reads. A wildcard
# stands for one label only: s.click.taobao.com needs a name of its own.
export NAMES='DNS:*.taobao.com,DNS:taobao.com,DNS:s.click.taobao.com,DNS:*.tmall.com'
# A century from a date well before any test runs.
valid='20200101000000Z 21200101000000Z'

cat >extensions.cnf <<'EOF'
[authority]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = ${ENV::NAMES}

[ca]
default_ca = signing

[signing]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
copy_extensions = none
unique_subject = no

[anything]
commonName = supplied
EOF

key() {
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null
}

# sign OUT KEY SUBJECT EXTENSIONS START END ISSUER ISSUER-KEY: a certificate
# for KEY, signed by ISSUER's key, or by KEY itself when ISSUER is "self".
sign() {
    openssl req -new -key "$2" -subj "/CN=$3" -out request.csr
    local issuer=(-cert "$7" -keyfile "$8")
    if [ "$7" = self ]; then
        issuer=(-selfsign -keyfile "$2")
    fi
    openssl ca -batch -config extensions.cnf -notext -extensions "$4" -startdate "$5" \
        -enddate "$6" "${issuer[@]}" -in request.csr -out "$1" 2>/dev/null
}

: >index.txt
echo 01 >serial
key server-key.pem
key authority-key.pem
key other-key.pem
server='zembrel test server'
sign authority.pem authority-key.pem 'Zembrel Test Authority' authority $valid self authority-key.pem
sign other.pem other-key.pem 'Zembrel Unknown Authority' authority $valid self other-key.pem
sign good.pem server-key.pem "$server" server $valid authority.pem authority-key.pem
NAMES='DNS:*.example.com' sign wrong-name.pem server-key.pem "$server" server $valid \
    authority.pem authority-key.pem
sign expired.pem server-key.pem "$server" server 20000101000000Z 20001231000000Z \
    authority.pem authority-key.pem
sign self-signed.pem server-key.pem "$server" server $valid self server-key.pem
sign unknown-ca.pem server-key.pem "$server" server $valid other.pem other-key.pem

{
    echo "# A key for the tests' servers only: it is public, so nothing it signs can be"
    echo "# trusted anywhere but in a test's own namespace."
    cat server-key.pem
} >"$out/server-key.pem"
for cert in authority good wrong-name expired self-signed unknown-ca; do
    cp "$cert.pem" "$out/$cert.pem"
    echo "$cert: $(openssl x509 -in "$cert.pem" -noout -startdate -enddate | tr '\n' ' ')"
done
