# Development key pair for the game server. A release build passes
# -DZENTRIX_PUBLIC_KEY=/path/to/server_public.pem instead; the private half
# then never touches the build folder.
set(ZENTRIX_KEY_DIR ${CMAKE_BINARY_DIR}/keys)
set(ZENTRIX_PUBLIC_KEY "" CACHE FILEPATH "Server public key (PEM) compiled into the game")

if(ZENTRIX_PUBLIC_KEY STREQUAL "")
  find_program(OPENSSL_COMMAND openssl REQUIRED)
  set(ZENTRIX_PUBLIC_KEY ${ZENTRIX_KEY_DIR}/server_public.pem)
  if(NOT EXISTS ${ZENTRIX_KEY_DIR}/server_private.pem)
    file(MAKE_DIRECTORY ${ZENTRIX_KEY_DIR})
    execute_process(
      COMMAND ${OPENSSL_COMMAND} genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024
              -out ${ZENTRIX_KEY_DIR}/server_private.pem
      RESULT_VARIABLE keygen_result)
    if(NOT keygen_result EQUAL 0)
      message(FATAL_ERROR "could not generate the development key pair")
    endif()
  endif()
  execute_process(
    COMMAND ${OPENSSL_COMMAND} pkey -in ${ZENTRIX_KEY_DIR}/server_private.pem -pubout
            -out ${ZENTRIX_KEY_DIR}/server_public.pem
    RESULT_VARIABLE pubout_result)
  if(NOT pubout_result EQUAL 0)
    message(FATAL_ERROR "could not derive the development public key")
  endif()
endif()

# The key is compiled in as PEM text with CR LF line ends.
file(STRINGS ${ZENTRIX_PUBLIC_KEY} public_key_lines)
set(public_key_text "")
foreach(line ${public_key_lines})
  string(APPEND public_key_text "\"${line}\\r\\n\"\n")
endforeach()
set(ZENTRIX_PUBLIC_KEY_SOURCE ${CMAKE_BINARY_DIR}/generated/server_public_key.cpp)
file(CONFIGURE OUTPUT ${ZENTRIX_PUBLIC_KEY_SOURCE} CONTENT
"// Generated from ${ZENTRIX_PUBLIC_KEY}; do not edit.
#include <string>
extern const std::string serverPublicKey;
const std::string serverPublicKey =
${public_key_text};
")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZENTRIX_PUBLIC_KEY})
