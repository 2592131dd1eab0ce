#pragma once

// Tests run as root in some environments, and root ignores file permissions:
// this takes the permission override away from the calling thread for good,
// so that a read-only file or folder refuses writes as it would for a user.
// Does nothing for an ordinary user. Returns false if the override is still held.
bool dropPermissionOverride();
