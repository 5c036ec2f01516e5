/* The programs' version: the one place it is written. The version resource (notice_common.rc),
   scripts/release (the package names and the installer's version) and tests/binary/check-exe read
   it from here. Keep both lines in step; the fourth field is the one releases move. */
#define NOTICE_VERSION 1,0,0,2
#define NOTICE_VERSION_TEXT "1.0.0.2"
