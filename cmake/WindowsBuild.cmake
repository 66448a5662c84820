# The Windows half of the build (run as a cross build, see Windows.cmake):
# a MATLAB MEX DLL for every gateway of sources.mk, and the stand-in API DLLs
# and host that test them (the help beside the DLLs comes from the top build,
# cmake/Help.cmake).
#
# The DLLs link the GCC runtime statically and use neither exceptions nor
# RTTI, so they import only from libmx.dll, libmex.dll, KERNEL32.dll and
# msvcrt.dll. The import libraries come from our own .def files, which list
# exactly the API functions the gateways call.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MEX_SUFFIX ".mexw64")
else()
    set(MEX_SUFFIX ".mexw32")
endif()

set(IMPORT_DIR ${CMAKE_BINARY_DIR}/matlab_import)
set(IMPORT_LIBS)
foreach(lib libmx libmex)
    set(def ${PROJECT_SOURCE_DIR}/matlab/windows/${lib}.def)
    add_custom_command(OUTPUT ${IMPORT_DIR}/${lib}.a
        COMMAND ${CMAKE_COMMAND} -E make_directory ${IMPORT_DIR}
        COMMAND ${CMAKE_DLLTOOL} -d ${def} -l ${IMPORT_DIR}/${lib}.a
        DEPENDS ${def} VERBATIM)
    list(APPEND IMPORT_LIBS ${IMPORT_DIR}/${lib}.a)
endforeach()
add_custom_target(matlab_import_libs DEPENDS ${IMPORT_LIBS})

set(WINDOWS_LINK_OPTIONS -static-libgcc -static-libstdc++)
target_compile_options(penalty_kernels PRIVATE -fno-exceptions -fno-rtti)

foreach(name ${PENALTY_GATEWAYS})
    add_library(${name} SHARED ${PROJECT_SOURCE_DIR}/matlab/${name}.cpp ${PENALTY_GATEWAY_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ${MEX_SUFFIX}
        RUNTIME_OUTPUT_DIRECTORY ${PENALTY_DIST_DIR}/windows)
    target_include_directories(${name} PRIVATE ${PENALTY_GATEWAY_INCLUDE_DIRS})
    target_compile_definitions(${name} PRIVATE PENALTY_MATLAB_700_API)
    target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti)
    target_link_libraries(${name} PRIVATE penalty_kernels ${IMPORT_LIBS})
    target_link_options(${name} PRIVATE ${WINDOWS_LINK_OPTIONS} -s)
    add_dependencies(${name} matlab_import_libs)
    penalty_compile_options(${name})
endforeach()
# Test host: stand-in libmx.dll and libmex.dll beside mex_host.exe, which the
# Windows loader then finds first when a MEX DLL asks for them.
set(HOST_DIR ${CMAKE_BINARY_DIR}/host)
set(STANDIN ${PROJECT_SOURCE_DIR}/tests/matlab/mex_standin)
add_library(standin_mex SHARED ${STANDIN}/standin_mex.cpp)
add_library(standin_mx SHARED ${STANDIN}/standin_mx.cpp)
set_target_properties(standin_mex PROPERTIES OUTPUT_NAME mex)
set_target_properties(standin_mx PROPERTIES OUTPUT_NAME mx)
target_link_libraries(standin_mx PRIVATE standin_mex)
foreach(target standin_mex standin_mx)
    set_target_properties(${target} PROPERTIES PREFIX "lib" RUNTIME_OUTPUT_DIRECTORY ${HOST_DIR})
    target_include_directories(${target} PUBLIC ${STANDIN} ${PENALTY_GATEWAY_INCLUDE_DIRS})
    target_compile_definitions(${target} PUBLIC PENALTY_MATLAB_700_API)
    target_link_options(${target} PRIVATE ${WINDOWS_LINK_OPTIONS} -Wl,--export-all-symbols)
    penalty_compile_options(${target})
endforeach()

include(${PROJECT_SOURCE_DIR}/cmake/CallTable.cmake)
add_executable(mex_host ${PROJECT_SOURCE_DIR}/tests/matlab/mex_host/mex_host.cpp
               ${PROJECT_SOURCE_DIR}/tests/matlab/call_table.cpp)
set_target_properties(mex_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${HOST_DIR})
target_include_directories(mex_host PRIVATE ${PROJECT_SOURCE_DIR}/tests/penalties
                           ${PROJECT_SOURCE_DIR}/tests/matlab ${PENALTY_KERNEL_INCLUDE_DIRS}
                           ${PENALTY_CALL_TABLE_DIR})
target_link_libraries(mex_host PRIVATE standin_mx standin_mex)
target_link_options(mex_host PRIVATE -static)
# GCC 12's -Wrestrict misfires inside libstdc++'s string concatenation on i686.
target_compile_options(mex_host PRIVATE -Wno-restrict)
penalty_compile_options(mex_host)
