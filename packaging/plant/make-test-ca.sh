#!/usr/bin/env bash
# Makes a test CA and a broker certificate signed by it, for a trial plant (a plant in production
# uses a certificate from its own CA).
#
#   make-test-ca.sh FOLDER HOST [HOST...]
#
# Writes into FOLDER: ca.crt and ca.key (made only when ca.key is not there yet, so a second call
# signs another broker certificate with the same CA), broker.crt and broker.key (a new key and
# certificate each call, every HOST in its subjectAltName: a name as DNS, an address as IP). RSA
# 2048, SHA-256; the CA for 10 years, the broker certificate for 2. ca.crt goes to every monitor
# (ZAVIze.ini's cafile) and to kvdplant (--cafile); broker.crt and broker.key to the broker
# (mosquitto.conf's certfile and keyfile, readable by the user mosquitto runs as). Needs openssl.
set -euo pipefail
if [ $# -lt 2 ]; then
  sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
folder=$1
shift
command -v openssl >/dev/null || { echo "make-test-ca.sh: openssl is not installed" >&2; exit 1; }
mkdir -p "$folder"
cd "$folder"
san=""
for host in "$@"; do
  if [[ $host =~ ^[0-9.]+$ || $host == *:* ]]; then san+="${san:+,}IP:$host"; else san+="${san:+,}DNS:$host"; fi
done
umask 077
if [ ! -e ca.key ]; then
  openssl req -x509 -newkey rsa:2048 -sha256 -nodes -days 3650 -keyout ca.key -out ca.crt \
    -subj "/O=KVD trial plant/CN=KVD trial plant CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
fi
openssl req -newkey rsa:2048 -sha256 -nodes -keyout broker.key -out broker.csr -subj "/O=KVD trial plant/CN=$1" 2>/dev/null
cat >broker.ext <<EXT
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$san
EXT
openssl x509 -req -in broker.csr -CA ca.crt -CAkey ca.key -CAcreateserial -sha256 -days 730 \
  -extfile broker.ext -out broker.crt 2>/dev/null
rm -f broker.csr broker.ext
chmod 0644 ca.crt broker.crt
chmod 0640 broker.key
echo "make-test-ca.sh: $folder/ca.crt (the CA), $folder/broker.crt and broker.key (for $san)"
