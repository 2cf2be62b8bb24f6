# The reference game server, its tests and its benchmark load generator.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
pkg_check_modules(MICROHTTPD REQUIRED IMPORTED_TARGET libmicrohttpd)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
find_package(Threads REQUIRED)

file(GLOB ZENTRIX_SERVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/server/*.cpp)
list(REMOVE_ITEM ZENTRIX_SERVER_SOURCES ${CMAKE_SOURCE_DIR}/server/main.cpp)
add_library(zentrix_server STATIC ${ZENTRIX_SERVER_SOURCES})
target_include_directories(zentrix_server PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zentrix_server PUBLIC zentrix_encodings PkgConfig::MICROHTTPD
  PkgConfig::SODIUM PkgConfig::SQLITE3 PkgConfig::LIBPQ OpenSSL::Crypto Threads::Threads)

add_executable(zentrix-server server/main.cpp)
target_link_libraries(zentrix-server PRIVATE zentrix_server)

# Unit and end-to-end tests: the server runs in-process on a loopback port.
file(GLOB ZENTRIX_SERVER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/server/*.cpp)
add_executable(zentrix_server_tests ${ZENTRIX_SERVER_TEST_SOURCES})
# The game's code too: the replay tests record a bot run as the game records it.
target_link_libraries(zentrix_server_tests PRIVATE zentrix_server zentrix_core PkgConfig::HTTPLIB
  OpenSSL::SSL GTest::gtest GTest::gtest_main)
# Their uploads are verified by the checker program; one test installs the
# server with its checker into a scratch prefix and runs it from there.
add_dependencies(zentrix_server_tests zentrix-replay-check zentrix-server)
if(TARGET zentrix_install_pages)
  add_dependencies(zentrix_server_tests zentrix_install_pages)
endif()
# The tests speak HTTPS to the server too.
target_compile_definitions(zentrix_server_tests PRIVATE CPPHTTPLIB_OPENSSL_SUPPORT)
target_compile_definitions(zentrix_server_tests PRIVATE
  ZENTRIX_BUILD_DIR="${CMAKE_BINARY_DIR}" ZENTRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
include(GoogleTest)
# One private PostgreSQL cluster serves every server test process.
set(ZENTRIX_TEST_PG_DIR ${CMAKE_BINARY_DIR}/server-test-pg)
add_test(NAME server_pg_cluster_start
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/server/pg_cluster.bash start ${ZENTRIX_TEST_PG_DIR})
add_test(NAME server_pg_cluster_stop
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/server/pg_cluster.bash stop ${ZENTRIX_TEST_PG_DIR})
set_tests_properties(server_pg_cluster_start PROPERTIES FIXTURES_SETUP server_pg)
set_tests_properties(server_pg_cluster_stop PROPERTIES FIXTURES_CLEANUP server_pg)
gtest_discover_tests(zentrix_server_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED server_pg
  ENVIRONMENT ZENTRIX_TEST_PG_DIR=${ZENTRIX_TEST_PG_DIR})

# Script tests of the real program (durability under SIGKILL, PostgreSQL restarts, the web site).
file(GLOB ZENTRIX_SERVER_SCRIPT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/server/*.sh)
foreach(script ${ZENTRIX_SERVER_SCRIPT_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME server_${name} COMMAND bash ${script} ${CMAKE_BINARY_DIR})
endforeach()

# The load generators of bench/server (never run by the tests).
add_executable(zentrix-server-bench bench/server/load.cpp)
target_link_libraries(zentrix-server-bench PRIVATE zentrix_encodings PkgConfig::HTTPLIB Threads::Threads)
# The simulated power loss of tests/server/power_loss.sh: a preloaded library
# that keeps, for each flushed file, the state of its last flush.
add_library(zentrix_power_loss_shim SHARED tests/server/power_loss_shim.c)
target_link_libraries(zentrix_power_loss_shim PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(zentrix_power_loss_shim PROPERTIES PREFIX "" OUTPUT_NAME power_loss_shim)
# Preloaded into sanitized programs too, so it carries no instrumentation itself.
target_compile_options(zentrix_power_loss_shim PRIVATE -fno-sanitize=all)

if(ZENTRIX_SANITIZE)
  return()
endif()
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
add_executable(zentrix-server-players bench/server/players.cpp)
target_link_libraries(zentrix-server-players PRIVATE zentrix_encodings PkgConfig::CURL)

