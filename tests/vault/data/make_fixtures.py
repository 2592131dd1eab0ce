#!/usr/bin/env python3
"""Makes the vault test fixtures with an implementation independent of the
program (hashlib and the openssl tool, see examples/vault_file.py):

  keys.tsv           password (UTF-8, hex), expected IV and key in hex
  reference.txt      a vault plaintext as the program writes it
  reference.kovrin   that plaintext encrypted under REFERENCE_PASSWORD
  migration.kovrin   an old flat list of entries without any rack header
"""

import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[2] / "examples"))

import vault_file  # noqa: E402

REFERENCE_PASSWORD = "Reference-Pw1"

KEY_PASSWORDS = ["", "Reference-Pw1", "reference-pw1", "Éléphant-9", "пароль", "a" * 200]

REFERENCE_RACKS = [
    ("Mail", [
        ("mail", "bob", "x", ""),
        ("Société Générale", "élodie", "pässwörd€", "accents and a euro sign"),
    ]),
    ("Empty", []),
    ("Servers", [
        ("alpha", "root", "α-β-γ", "Greek letters"),
        ("emoji", "u", "🔑key", "a character outside the BMP"),
        ("spaces", " lead", "trail ", "  "),
    ]),
]

MIGRATION_LINES = b"old1\tuser1\tpw1\tcomment1\nold2\tuser2\tpw2\n"


def main():
    with open(HERE / "keys.tsv", "w", encoding="ascii") as out:
        for password in KEY_PASSWORDS:
            iv, key = vault_file.derive(password)
            out.write(f"{password.encode('utf-8').hex()}\t{iv.hex()}\t{key.hex()}\n")
    plain = vault_file.plaintext(REFERENCE_RACKS)
    (HERE / "reference.txt").write_bytes(plain)
    (HERE / "reference.kovrin").write_bytes(vault_file.encrypt(plain, REFERENCE_PASSWORD))
    (HERE / "migration.kovrin").write_bytes(vault_file.encrypt(MIGRATION_LINES, REFERENCE_PASSWORD))


if __name__ == "__main__":
    main()
