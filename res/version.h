// version.h - the version of zelvix.exe and zelvix-doctor.exe, in one place: both resource scripts
// (version resources and the About box), the frame's caption strip, the doctor's report, and
// scripts/make-dist (the installer's version and the packages' file names) take it from here.
//
// Plain #defines only: the resource compiler reads this file too.
#ifndef ZELVIX_RES_VERSION_H
#define ZELVIX_RES_VERSION_H

#define ZELVIX_VERSION_MAJOR    1
#define ZELVIX_VERSION_MINOR    0
#define ZELVIX_VERSION_PATCH    0
#define ZELVIX_VERSION_BUILD    0

#define ZELVIX_VERSION_STR2(x)  #x
#define ZELVIX_VERSION_STR(x)   ZELVIX_VERSION_STR2(x)
// "1.0.0.0"; adjacent literals, which both compilers join.
#define ZELVIX_VERSION_TEXT     ZELVIX_VERSION_STR(ZELVIX_VERSION_MAJOR) "." ZELVIX_VERSION_STR(ZELVIX_VERSION_MINOR) \
                                "." ZELVIX_VERSION_STR(ZELVIX_VERSION_PATCH) "." ZELVIX_VERSION_STR(ZELVIX_VERSION_BUILD)

// The build date the frame's caption strip shows, "(ver.20170315)": a fixed text of the product.
#define ZELVIX_BUILD_DATE       "20170315"

// "1.0", as the About box shows it.
#define ZELVIX_VERSION_SHORT    ZELVIX_VERSION_STR(ZELVIX_VERSION_MAJOR) "." ZELVIX_VERSION_STR(ZELVIX_VERSION_MINOR)

#endif // ZELVIX_RES_VERSION_H
