# Settings shared by every target the project itself compiles.
function(papyr_target_settings target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(PAPYR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# One static library per source folder: every .cpp of the folder, with the
# folder's parent (src/) on the include path so headers are included as
# "graphics/framebuffer.h", "news_api/json.h" and so on.
# Files named after EXCLUDE stay out of the library (the program's entry).
function(papyr_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCLUDE")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS arg_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  papyr_target_settings(${name})
endfunction()

# A file compiled into TARGET as a byte array papyr::NAME (declared in
# HEADER), made again when the file changes.
function(papyr_embed_file target file header name what)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/generated/${name}.cpp)
  add_custom_command(
    OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${source} -DHEADER=${header} -DNAME=${name}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_bytes.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/embed_bytes.cmake
    COMMENT "Embedding ${what}"
    VERBATIM)
  target_sources(${target} PRIVATE ${source})
endfunction()
