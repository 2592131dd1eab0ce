"""Writes Kovrin vault files without the program, from Python's hashlib and the
openssl command-line tool: the demo vault, and the test fixtures that check the
program's own reader and writer against an independent implementation.

A vault file is the AES-256-CBC (PKCS#7) ciphertext of its plaintext. The key
is BLAKE2s-256 of the password's UTF-8 bytes; the IV is BLAKE2s with a 16-byte
digest of a fixed 16-byte seed, the same for every vault.
"""

import hashlib
import subprocess

IV_SEED = bytes.fromhex("5BE13C970A6FD248B31E84C927F06D95")


def derive(password):
    """(iv, key) for a password."""
    key = hashlib.blake2s(password.encode("utf-8"), digest_size=32).digest()
    iv = hashlib.blake2s(IV_SEED, digest_size=16).digest()
    return iv, key


def plaintext(racks):
    """racks: list of (name, [(role, account, password, comment), ...])."""
    out = bytearray()
    for name, entries in racks:
        out += b"\n\nSegment:" + name.encode("utf-8") + b"\n"
        for entry in entries:
            out += b"\t".join(field.encode("utf-8") for field in entry) + b"\n"
    return bytes(out)


def encrypt(plain, password):
    iv, key = derive(password)
    return subprocess.run(
        ["openssl", "enc", "-aes-256-cbc", "-K", key.hex(), "-iv", iv.hex()],
        input=plain, stdout=subprocess.PIPE, check=True).stdout


def decrypt(cipher, password):
    iv, key = derive(password)
    return subprocess.run(
        ["openssl", "enc", "-d", "-aes-256-cbc", "-K", key.hex(), "-iv", iv.hex()],
        input=cipher, stdout=subprocess.PIPE, check=True).stdout
