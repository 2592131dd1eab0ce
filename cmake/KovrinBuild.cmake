# Compile options shared by every target of the project.

if(KOVRIN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(KOVRIN_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "KOVRIN_FUZZ needs clang (CXX=clang++)")
    endif()
    # Everything is instrumented for coverage; only the fuzz targets get libFuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Warnings for our own code only (Qt's headers are system headers).
function(kovrin_compile_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(KOVRIN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# Compiles the language bundles of a deliverable (resources/<deliverable>/lang/*.lang)
# into target under ":resources/lang", where every deliverable puts its bundles.
# The resource is named <target>_lang, for Q_INIT_RESOURCE.
function(kovrin_add_lang_resources target deliverable)
    file(GLOB bundles CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/${deliverable}/lang/*.lang)
    qt_add_resources(${target} ${target}_lang
        PREFIX /resources/lang
        BASE ${PROJECT_SOURCE_DIR}/resources/${deliverable}/lang
        FILES ${bundles}
    )
endfunction()

# Installation of a shared library for other programs: the library (versioned
# file, SONAME with its ABI number), its public headers under include/<target>,
# and a CMake package (find_package(<target>) gives <target>::<target>).
#
# kovrin_install_library(<target> SOVERSION <n> HEADERS <files...> [DEPENDENCIES <packages...>])
# DEPENDENCIES are "Package[:Comp,Comp]" items, found again by the package's users.
function(kovrin_install_library target)
    cmake_parse_arguments(L "" "SOVERSION" "HEADERS;DEPENDENCIES" ${ARGN})
    set_target_properties(${target} PROPERTIES
        VERSION ${PROJECT_VERSION}
        SOVERSION ${L_SOVERSION}
        EXPORT_NAME ${target}
        # Libraries of the project sit side by side.
        INSTALL_RPATH "$ORIGIN"
    )
    add_library(${target}::${target} ALIAS ${target})
    target_sources(${target} PUBLIC FILE_SET HEADERS BASE_DIRS ${CMAKE_CURRENT_SOURCE_DIR} FILES ${L_HEADERS})
    install(TARGETS ${target} EXPORT ${target}Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
            COMPONENT Runtime NAMELINK_COMPONENT Development
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${target} COMPONENT Development
    )
    set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${target})
    install(EXPORT ${target}Targets NAMESPACE ${target}:: DESTINATION ${package_dir} COMPONENT Development)

    set(KOVRIN_PACKAGE ${target})
    set(KOVRIN_PACKAGE_DEPENDENCIES "")
    foreach(dependency IN LISTS L_DEPENDENCIES)
        string(REPLACE ":" ";" parts "${dependency}")
        list(GET parts 0 package)
        if(package STREQUAL "zemb1")
            # Another library of this project: the same version, installed beside this one.
            string(APPEND KOVRIN_PACKAGE_DEPENDENCIES
                "find_dependency(zemb1 ${PROJECT_VERSION} EXACT HINTS \"\${CMAKE_CURRENT_LIST_DIR}/..\")\n")
        elseif(parts MATCHES ";")
            list(GET parts 1 components)
            string(REPLACE "," " " components "${components}")
            string(APPEND KOVRIN_PACKAGE_DEPENDENCIES "find_dependency(${package} COMPONENTS ${components})\n")
        else()
            string(APPEND KOVRIN_PACKAGE_DEPENDENCIES "find_dependency(${package})\n")
        endif()
    endforeach()
    include(CMakePackageConfigHelpers)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/package)
    configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LibraryConfig.cmake.in
        ${generated}/${target}Config.cmake INSTALL_DESTINATION ${package_dir})
    write_basic_package_version_file(${generated}/${target}ConfigVersion.cmake
        VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
    install(FILES ${generated}/${target}Config.cmake ${generated}/${target}ConfigVersion.cmake
        DESTINATION ${package_dir} COMPONENT Development)
endfunction()
