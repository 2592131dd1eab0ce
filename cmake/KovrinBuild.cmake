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
