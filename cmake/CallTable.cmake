# Compiles tests/matlab/bad_calls.txt into the header bad_calls_table.h (in
# PENALTY_CALL_TABLE_DIR) as the string kBadCallTable, for the C++ readers of
# the table: the MEX host, natively and cross-built, and the fuzzers.
set(PENALTY_CALL_TABLE_DIR ${CMAKE_BINARY_DIR}/generated)
set(_table ${PROJECT_SOURCE_DIR}/tests/matlab/bad_calls.txt)
file(READ ${_table} _text)
file(WRITE ${PENALTY_CALL_TABLE_DIR}/bad_calls_table.h.new
     "// Generated from tests/matlab/bad_calls.txt; do not edit.\n"
     "#pragma once\n\ninline const char kBadCallTable[] = R\"table(${_text})table\";\n")
configure_file(${PENALTY_CALL_TABLE_DIR}/bad_calls_table.h.new ${PENALTY_CALL_TABLE_DIR}/bad_calls_table.h COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_table})
