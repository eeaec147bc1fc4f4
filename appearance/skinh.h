#pragma once

// The skin engine's one entry. Attaches the skin file `skinPath` (an 8-bit, zero-terminated path in
// the local encoding) to every window of the application, open or created later. `password` is the
// skin file's password, empty for ours. Returns 0 when the skin was attached; a missing, unreadable or
// malformed file changes nothing and gives a non-zero result, which callers may ignore.
int SkinH_AttachEx(const char* skinPath, const char* password);
