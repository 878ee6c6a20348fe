# The Windows build, cross-compiled here (the windows preset, scripts/windows):
# Qt from the cache scripts/windows-qt fills, CLI11 and GoogleTest from
# Debian's sources, and the tests run through Wine.

set(ZUREDOR_WINDOWS_QT "" CACHE PATH "Qt for Windows, as scripts/windows-qt prints it")
if(NOT EXISTS "${ZUREDOR_WINDOWS_QT}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "ZUREDOR_WINDOWS_QT (\"${ZUREDOR_WINDOWS_QT}\") holds no Qt for Windows: "
                        "scripts/windows builds one and passes it")
endif()
# The toolchain finds only what lies under its roots; Qt's prefix is one more
# (as Qt's own qt.toolchain.cmake adds it: the root, and its lib/cmake as the
# prefix), and Qt's build tools (moc, rcc) are the host's.
list(PREPEND CMAKE_FIND_ROOT_PATH "${ZUREDOR_WINDOWS_QT}")
list(PREPEND CMAKE_PREFIX_PATH "${ZUREDOR_WINDOWS_QT}/lib/cmake")
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# CLI11 is headers only; Debian's copy sits in /usr/include, which a Windows
# compiler must not search as a whole, so the build takes its own copy.
find_path(ZUREDOR_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZUREDOR_CLI11_INCLUDE)
    message(FATAL_ERROR "CLI11's headers are missing: apt-get install libcli11-dev")
endif()
file(COPY ${ZUREDOR_CLI11_INCLUDE}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)

# Every test program runs through Wine (scripts/windows gives it a prefix of
# its own and a display), finding Qt's and mingw's DLLs where they are.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/packaging/windows/wine-run "${ZUREDOR_WINDOWS_QT}")

if(ZUREDOR_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    # Debian's GoogleTest sources, built for Windows: it defines GTest::gtest and GTest::gmock.
    set(CMAKE_AUTOMOC OFF)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    set(CMAKE_AUTOMOC ON)
endif()
