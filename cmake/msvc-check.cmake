# Every product source compiled in MSVC mode (clang-cl: _MSC_VER, the MSVC ABI and language
# rules) with the MSVC build's /W4 and definitions, warnings as errors, syntax only. It takes
# the MinGW-w64 headers, which parse under clang-cl only with __GNUC__ defined and _X86_ set as
# their own compiler sets it. No MSVC compiler, Windows SDK or linker is involved.
find_program(QTX_CLANG_CL NAMES clang-cl clang-cl-14 HINTS /usr/lib/llvm-14/bin)
set(msvc_sources "")
foreach(target qtxcore qtxui qtxiload qtxwin32 qtxpoke qtxruntime)
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(source ${sources})
        if(source MATCHES "\\.cpp$")
            get_filename_component(source ${source} ABSOLUTE BASE_DIR ${dir})
            list(APPEND msvc_sources ${source})
        endif()
    endforeach()
endforeach()
list(REMOVE_DUPLICATES msvc_sources)
get_target_property(definitions qtxplatform INTERFACE_COMPILE_DEFINITIONS)
list(TRANSFORM definitions PREPEND /D)
add_test(NAME windows.msvc_mode_compile
         COMMAND ${QTX_CLANG_CL} --target=i686-pc-windows-msvc /nologo /std:c++17 /EHsc /W4 /WX /Zs
                 /clang:-fgnuc-version=4.2.1 /D_X86_=1 -imsvc ${CMAKE_FIND_ROOT_PATH}/include
                 ${definitions} /D_CRT_SECURE_NO_WARNINGS
                 /I${PROJECT_SOURCE_DIR} /I${PROJECT_SOURCE_DIR}/resources -- ${msvc_sources})
