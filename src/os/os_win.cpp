// The Windows side is filled in below.
