# Every dependency is a Debian package installed by scripts/setup.sh.
find_package(Threads REQUIRED)
find_package(nlohmann_json 3.11 REQUIRED)
find_package(fmt REQUIRED)
find_package(spdlog REQUIRED)
find_package(CLI11 REQUIRED)
# OpenSSL: TLS (through cpp-httplib), password hashes and session tokens.
find_package(OpenSSL 3 REQUIRED)

# Debian's cpp-httplib is a compiled library described by pkg-config (its flags select TLS, zlib, brotli).
find_package(PkgConfig REQUIRED)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
add_library(ct_httplib INTERFACE)
target_link_libraries(ct_httplib INTERFACE PkgConfig::HTTPLIB Threads::Threads)

# SOCI 4.0 from Debian: headers and the core, sqlite3 and postgresql back ends.
find_path(SOCI_INCLUDE_DIR soci/soci.h REQUIRED)
find_library(SOCI_CORE_LIBRARY soci_core REQUIRED)
find_library(SOCI_SQLITE3_LIBRARY soci_sqlite3 REQUIRED)
find_library(SOCI_POSTGRESQL_LIBRARY soci_postgresql REQUIRED)
find_package(PostgreSQL REQUIRED)
find_package(SQLite3 REQUIRED)
add_library(ct_soci INTERFACE)
target_include_directories(ct_soci SYSTEM INTERFACE ${SOCI_INCLUDE_DIR} ${PostgreSQL_INCLUDE_DIRS})
target_link_libraries(ct_soci INTERFACE
  ${SOCI_CORE_LIBRARY} ${SOCI_SQLITE3_LIBRARY} ${SOCI_POSTGRESQL_LIBRARY}
  PostgreSQL::PostgreSQL SQLite::SQLite3 ${CMAKE_DL_LIBS})

if(CT_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(CT_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
if(CT_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets PrintSupport Test)
endif()
