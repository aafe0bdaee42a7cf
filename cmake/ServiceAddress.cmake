# Where the client finds the service and how it trusts it: checked once at configure time, then compiled into each
# executable.

# Plain http lets anyone on the network path be the front end: choose the viewer's command line through startGame and
# put their own download behind the update prompt. It is for the stand-in service on this machine, and for a host
# outside loopback only when asked for by name.
function(nuva_check_service_address scheme host authority allow_plain_http)
  if(NOT scheme MATCHES "^https?$")
    message(FATAL_ERROR "NUVA_SERVICE_SCHEME is \"${scheme}\"; it must be http or https")
  endif()
  if(authority)
    nuva_check_authority_file("${authority}")
  endif()
  set(loopback "^(127\\.[0-9]+\\.[0-9]+\\.[0-9]+|::1|\\[::1\\]|localhost)$")
  if(scheme STREQUAL "http" AND NOT host MATCHES "${loopback}" AND NOT allow_plain_http)
    message(FATAL_ERROR "NUVA_SERVICE_HOST \"${host}\" lies outside loopback, and plain http would let anyone on the "
      "network path drive the client (the viewer's command line, the offered download). Set "
      "NUVA_SERVICE_SCHEME=https, or NUVA_ALLOW_PLAIN_HTTP=ON to accept plain http all the same.")
  endif()
endfunction()

# The pinned authority must be there as PEM: a file that yields no certificate would leave nothing to trust, and the
# client, failing closed, would then reach no https service at all.
function(nuva_check_authority_file authority)
  set(problem "NUVA_SERVICE_CA \"${authority}\"")
  if(NOT EXISTS "${authority}" OR IS_DIRECTORY "${authority}")
    message(FATAL_ERROR "${problem} is not a file")
  endif()
  file(SIZE "${authority}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "${problem} is empty; it must hold the service's certificate authority as PEM")
  endif()
  file(READ "${authority}" text)
  if(text MATCHES "-----BEGIN [A-Z ]*PRIVATE KEY-----")
    message(FATAL_ERROR "${problem} holds a private key, which must never be built into the client; give it the "
      "authority's certificate alone")
  endif()
  if(NOT text MATCHES "-----BEGIN CERTIFICATE-----[\r\n]+[A-Za-z0-9+/=\r\n]+-----END CERTIFICATE-----")
    file(READ "${authority}" start LIMIT 1 HEX)
    if(start STREQUAL "30")
      set(found "it looks like a DER (binary) certificate; convert it with openssl x509 -inform der -in FILE -out FILE.pem")
    else()
      set(found "no block from -----BEGIN CERTIFICATE----- to -----END CERTIFICATE----- was found")
    endif()
    message(FATAL_ERROR "${problem} holds no PEM certificate: ${found}")
  endif()
endfunction()

# The service's scheme, host and ports and its pinned authority are compiled into each executable rather than into
# api/'s library, so that tests can link the library against addresses of their own while the shipped client stays
# fixed to its build-time values. authority is a PEM file, or empty for the system's trust.
function(nuva_link_service_address target scheme host frontend_port authority)
  set(embedded ${CMAKE_CURRENT_BINARY_DIR}/${target}_service_authority.cpp)
  add_custom_command(OUTPUT ${embedded}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${authority} -DOUTPUT=${embedded} -DNAME=kServiceAuthority
      -P ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    DEPENDS ${authority} ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake)
  add_library(${target}_service_address OBJECT ${PROJECT_SOURCE_DIR}/api/serviceaddress.cpp ${embedded})
  target_include_directories(${target}_service_address PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target}_service_address PRIVATE Qt5::Core)
  target_compile_definitions(${target}_service_address PRIVATE
    NUVA_SERVICE_SCHEME="${scheme}" NUVA_SERVICE_HOST="${host}" NUVA_FRONTEND_PORT=${frontend_port})
  target_link_libraries(${target} PRIVATE ${target}_service_address)
endfunction()
