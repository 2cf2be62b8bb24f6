# The online client: libcurl's easy and multi interfaces carry every request.
pkg_check_modules(ZX_CURL REQUIRED IMPORTED_TARGET libcurl)
target_link_libraries(zentrix_core PUBLIC PkgConfig::ZX_CURL)

# The account-retrieval page opened from the Login screen: the game's own site.
set(ZENTRIX_ACCOUNT_URL "${ZENTRIX_SITE_URL}/account" CACHE STRING
  "web page the Login screen's Account Retrieval button opens")
set_property(SOURCE ${CMAKE_SOURCE_DIR}/online/account.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS ZENTRIX_ACCOUNT_URL="${ZENTRIX_ACCOUNT_URL}")

# The login test checks the request against the server's own parser.
cmake_language(DEFER CALL target_link_libraries zentrix_tests PRIVATE zentrix_server)
# The request tests send to the real server program.
cmake_language(DEFER CALL add_dependencies zentrix_tests zentrix-server)
# The transfer tests answer through a small HTTP server of their own.
cmake_language(DEFER CALL target_link_libraries zentrix_tests PRIVATE PkgConfig::HTTPLIB)

# The Ranking screen with many players (bench/ranking/run.sh drives it; never a test).
add_executable(zentrix-ranking-bench bench/ranking/main.cpp)
target_link_libraries(zentrix-ranking-bench PRIVATE zentrix_core)
