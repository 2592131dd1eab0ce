# Finds the C port of zxcvbn, the password strength estimator (Debian's
# libzxcvbn-dev), which ships neither a CMake package nor a pkg-config file.
# Gives the imported target Zxcvbn::Zxcvbn.
find_path(Zxcvbn_INCLUDE_DIR NAMES zxcvbn.h)
find_library(Zxcvbn_LIBRARY NAMES zxcvbn)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Zxcvbn REQUIRED_VARS Zxcvbn_LIBRARY Zxcvbn_INCLUDE_DIR)
if(Zxcvbn_FOUND AND NOT TARGET Zxcvbn::Zxcvbn)
    add_library(Zxcvbn::Zxcvbn UNKNOWN IMPORTED)
    set_target_properties(Zxcvbn::Zxcvbn PROPERTIES
        IMPORTED_LOCATION "${Zxcvbn_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${Zxcvbn_INCLUDE_DIR}")
endif()
mark_as_advanced(Zxcvbn_INCLUDE_DIR Zxcvbn_LIBRARY)
