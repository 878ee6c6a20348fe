# One interface target carries the compiler settings every target shares.
add_library(zuredor_settings INTERFACE)
target_compile_options(zuredor_settings INTERFACE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
target_compile_definitions(zuredor_settings INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_KEYWORDS)
target_include_directories(zuredor_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)
# windows.h without its min and max macros, and without the rarely used parts.
if(WIN32)
    target_compile_definitions(zuredor_settings INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN)
endif()
# Hardened as Debian builds its packages: fortified libc calls where the code
# is optimized (the check needs it), a stack protector, and a read-only GOT.
target_compile_options(zuredor_settings INTERFACE -fstack-protector-strong)
target_compile_definitions(zuredor_settings INTERFACE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
if(WIN32)
    # What a Windows program has for it: a relocatable image, and data never run. mingw's
    # checked libc calls and stack guard live in libssp, which only the flag at link time brings in.
    target_link_options(zuredor_settings INTERFACE LINKER:--dynamicbase LINKER:--nxcompat LINKER:--high-entropy-va
                                                   -fstack-protector-strong)
else()
    target_link_options(zuredor_settings INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
if(ZUREDOR_SANITIZE)
    target_compile_options(zuredor_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                      -fno-sanitize-recover=undefined)
    target_link_options(zuredor_settings INTERFACE -fsanitize=address,undefined)
endif()
# The fuzzer's coverage hooks go into all of our code; only the fuzz targets
# themselves link libFuzzer's main (fuzz/CMakeLists.txt).
if(ZUREDOR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ZUREDOR_FUZZ needs clang (the fuzz preset sets it)")
    endif()
    target_compile_options(zuredor_settings INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                      -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(zuredor_settings INTERFACE -fsanitize=address,undefined)
endif()

# What every program run by the tests and the build gets: leaks are errors,
# but for the few inside Qt and the system libraries that tests/lsan.supp names.
set(ZUREDOR_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")

set_property(GLOBAL PROPERTY ZUREDOR_CORE_LIBRARIES "")

# A core library sits below the windows: Qt Core and Network only.
function(zuredor_core_library name)
    add_library(${name} STATIC ${ARGN})
    target_link_libraries(${name} PUBLIC zuredor_settings Qt6::Core Qt6::Network)
    set_property(GLOBAL APPEND PROPERTY ZUREDOR_CORE_LIBRARIES ${name})
endfunction()

function(zuredor_ui_library name)
    add_library(${name} STATIC ${ARGN})
    target_link_libraries(${name} PUBLIC zuredor_settings Qt6::Core Qt6::Gui Qt6::Widgets)
endfunction()

function(_zuredor_collect_links target out)
    set(seen ${${out}})
    foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(libs ${target} ${prop})
        if(NOT libs)
            continue()
        endif()
        foreach(lib IN LISTS libs)
            if(lib MATCHES "^\\$<" OR lib IN_LIST seen)
                continue()
            endif()
            list(APPEND seen ${lib})
            if(TARGET ${lib})
                get_target_property(imported ${lib} IMPORTED)
                if(NOT imported)
                    _zuredor_collect_links(${lib} seen)
                endif()
            endif()
        endforeach()
    endforeach()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Enforced, not a convention: no core library may pull in Gui or Widgets.
function(zuredor_check_core_libraries)
    get_property(libs GLOBAL PROPERTY ZUREDOR_CORE_LIBRARIES)
    foreach(lib IN LISTS libs)
        set(all "")
        _zuredor_collect_links(${lib} all)
        foreach(dep IN LISTS all)
            if(dep MATCHES "Qt6::(Gui|Widgets)")
                message(FATAL_ERROR "core library ${lib} links ${dep}; only Qt Core and Network belong below the windows")
            endif()
        endforeach()
    endforeach()
endfunction()
