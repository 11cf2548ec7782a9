# Helpers shared by every CMakeLists.txt of the project.

# Adds each immediate subdirectory of DIR that has a CMakeLists.txt, so that a new
# feature or test folder needs no edit of its parent.
function(quillet_add_subdirectories dir)
    get_filename_component(abs "${dir}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(EXISTS "${abs}/CMakeLists.txt")
        add_subdirectory("${abs}")
        return()
    endif()
    file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS "${abs}/*")
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
            add_subdirectory("${child}")
        endif()
    endforeach()
endfunction()

# quillet_library(NAME [DIRS dir...] [LIBS lib...])
# A static library made of every .cpp/.h under the given folders (default: the current one).
function(quillet_library name)
    cmake_parse_arguments(L "" "" "DIRS;LIBS" ${ARGN})
    if(NOT L_DIRS)
        set(L_DIRS .)
    endif()
    set(sources)
    foreach(d IN LISTS L_DIRS)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
            "${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.h")
        list(APPEND sources ${found})
    endforeach()
    qt_add_library(${name} STATIC ${sources})
    # Headers are included by their bare names ("Draft.h"), so every folder with one is public.
    set(include_dirs "${CMAKE_CURRENT_SOURCE_DIR}")
    foreach(f IN LISTS sources)
        if(f MATCHES "\\.h$")
            get_filename_component(d "${f}" DIRECTORY)
            list(APPEND include_dirs "${d}")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES include_dirs)
    target_include_directories(${name} PUBLIC ${include_dirs})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# quillet_add_test(NAME SOURCES file... [LIBS lib...] [DISPLAY])
# One Qt Test executable registered with CTest. Each test gets its own configuration,
# cache and data folders inside the build tree, so tests never share user files.
# DISPLAY tests run on the session's display; the others render offscreen.
function(quillet_add_test name)
    cmake_parse_arguments(T "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
    qt_add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/support")
    target_compile_definitions(${name} PRIVATE
        QUILLET_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
        QUILLET_BUNDLE_DIR="${QUILLET_BUNDLE_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set(home "${CMAKE_CURRENT_BINARY_DIR}/${name}.home")
    set(env
        "XDG_CONFIG_HOME=${home}/config"
        "XDG_CACHE_HOME=${home}/cache"
        "QUILLET_TEST_HOME=${home}")
    if(NOT T_DISPLAY)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 120)
endfunction()
