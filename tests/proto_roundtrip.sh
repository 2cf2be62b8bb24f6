#!/usr/bin/env bash
# Secure requests made by zentrix-proto decode again with the tool and with
# the openssl command line, block by block; password blobs open with the
# public key; bad input is refused with a non-zero exit.
set -euo pipefail

build_dir=${1:?usage: proto_roundtrip.sh BUILD_DIR}
proto=$build_dir/zentrix-proto
private_key=$build_dir/keys/server_private.pem
public_key=$build_dir/keys/server_public.pem
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "proto_roundtrip: FAIL: $*" >&2
    exit 1
}

# A login-like request padded with "x" to exactly $1 bytes.
make_request() {
    local request="login.php?username=Round Trip&password=pa ss&mac=02-42-AC-11-00-02&pad="
    while [ ${#request} -lt "$1" ]; do request+=x; done
    printf '%s' "$request"
}

# Decrypts URL-safe Base64 data with openssl, one 128-byte block at a time.
openssl_decrypt() {
    printf '%s' "$1" | tr -- '-_' '+/' | openssl base64 -d -A >"$work/cipher.bin"
    rm -f "$work"/block.*
    split -b 128 -a 3 "$work/cipher.bin" "$work/block."
    for block in "$work"/block.*; do
        openssl pkeyutl -decrypt -inkey "$private_key" -pkeyopt rsa_padding_mode:pkcs1 -in "$block"
    done
}

check_request() {
    local length=$1 expected_chars=$2
    local request url data
    request=$(make_request "$length")
    [ ${#request} -eq "$length" ] || fail "test request is ${#request} bytes, wanted $length"
    url=$("$proto" encode "$request")
    data=${url#*data=}
    [ ${#data} -eq "$expected_chars" ] ||
        fail "$length-byte request gave ${#data} data characters, wanted $expected_chars"
    [[ $data =~ ^[A-Za-z0-9_-]+=*$ ]] || fail "data is not URL-safe Base64: $data"
    [ "$("$proto" decode "$url" --key "$private_key")" = "$request" ] ||
        fail "zentrix-proto decode of the $length-byte request differs from the original"
    [ "$("$proto" decode "$data" --key "$private_key")" = "$request" ] ||
        fail "zentrix-proto decode of the bare data differs from the original"
    [ "$(openssl_decrypt "$data")" = "$request" ] ||
        fail "openssl decryption of the $length-byte request differs from the original"
    echo "ok: $length-byte request -> ${#data} characters, decoded by both"
}

check_blob() {
    local password="s3cret pass" blob
    blob=$("$proto" blob "$password" --key "$private_key")
    printf '%s' "$blob" | openssl base64 -d -A >"$work/blob.bin"
    local opened
    opened=$(openssl pkeyutl -verifyrecover -pubin -inkey "$public_key" \
        -pkeyopt rsa_padding_mode:pkcs1 -in "$work/blob.bin")
    [ "$opened" = "$password" ] || fail "password blob opens to '$opened', wanted '$password'"
    echo "ok: password blob opens with the public key"
}

# Each command line must be refused with a non-zero exit.
check_refused() {
    local what=$1
    shift
    if "$proto" "$@" >"$work/out" 2>"$work/err"; then
        fail "$what was accepted"
    fi
    [ -s "$work/err" ] || fail "$what was refused without a message"
}

check_request 117 172
check_request 118 344
check_blob
check_refused "no arguments"
check_refused "an unknown command" frobnicate x
check_refused "decode without --key" decode abc
check_refused "an unreadable key" decode abc --key "$work/missing.pem"
printf 'not a key\n' >"$work/bad.pem"
check_refused "a damaged key" decode abc --key "$work/bad.pem"
check_refused "undecodable data" decode "http://h/secure.php?data=!!!!" --key "$private_key"
check_refused "data of a partial block" decode "QUJDRA==" --key "$private_key"
echo "proto_roundtrip: all checks passed"
