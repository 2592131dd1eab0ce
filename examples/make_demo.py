#!/usr/bin/env python3
"""Makes examples/demo.kovrin, the sample vault a new user can open at once.
Its password is in DEMO_PASSWORD (and in the README)."""

import pathlib

import vault_file

DEMO_PASSWORD = "Kovrin-Demo-1"

RACKS = [
    ("Personal", [
        ("Mail", "jane.doe@example.org", "g7#Tq2!vLm9x", "Webmail, recovery phone ends in 42"),
        ("Bank", "JDOE-118240", "8Rk$w1pZ-eQ4", "Card PIN is not stored here"),
        ("Library", "jdoe", "Bücher&Tee-2024", ""),
        ("Streaming", "jane.doe@example.org", "m0v!eN1ght.Z", "Family plan"),
    ]),
    ("Work", [
        ("VPN", "jdoe", "Vp#9dk2-Lq7R", "Token app on the phone"),
        ("Intranet", "jane.doe", "Intr4-net!Qz", "https://intranet.example.com"),
        ("Build server", "ci-bot", "cI_8f2&Kp0wS", "Shared with the release team"),
    ]),
]


def main():
    here = pathlib.Path(__file__).resolve().parent
    plain = vault_file.plaintext(RACKS)
    cipher = vault_file.encrypt(plain, DEMO_PASSWORD)
    assert vault_file.decrypt(cipher, DEMO_PASSWORD) == plain
    (here / "demo.kovrin").write_bytes(cipher)
    print("wrote", here / "demo.kovrin", len(cipher), "bytes")


if __name__ == "__main__":
    main()
