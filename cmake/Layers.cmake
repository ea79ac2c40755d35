# The engine's layers: one static library each, linking only the layers below it.
#
# A layer sees the headers of its own layer and of the layers it links, nothing else: every
# layer's headers are staged (as links to the sources) in a folder of its own in the build tree,
# and that folder is the layer's only include path. An include of a higher layer's header fails
# to compile with "No such file or directory".
#
# kx_add_layer(<name> FILES <sources and headers...> [LINKS <layers and libraries...>]
#              [PRIVATE_LINKS <libraries...>])
function(kx_add_layer name)
  cmake_parse_arguments(L "" "" "FILES;LINKS;PRIVATE_LINKS" ${ARGN})
  set(stage ${PROJECT_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${stage})
  set(sources "")
  foreach(file ${L_FILES})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${file})
    if(relative MATCHES "\\.h$")
      get_filename_component(folder ${stage}/${relative} DIRECTORY)
      file(MAKE_DIRECTORY ${folder})
      file(CREATE_LINK ${file} ${stage}/${relative} SYMBOLIC)
    endif()
    list(APPEND sources ${file})
  endforeach()
  add_library(kx_${name} STATIC ${sources})
  target_include_directories(kx_${name} PUBLIC ${stage})
  target_link_libraries(kx_${name} PUBLIC ${L_LINKS} PRIVATE ${L_PRIVATE_LINKS})
endfunction()

# Every source and header of a folder.
function(kx_folder_files variable folder)
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp
       ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  set(${variable} ${files} PARENT_SCOPE)
endfunction()

# Named files of a folder: each name stands for its .h and, where there is one, its .cpp.
function(kx_named_files variable folder)
  set(files "")
  foreach(name ${ARGN})
    foreach(extension h cpp)
      if(EXISTS ${PROJECT_SOURCE_DIR}/${folder}/${name}.${extension})
        list(APPEND files ${PROJECT_SOURCE_DIR}/${folder}/${name}.${extension})
      endif()
    endforeach()
  endforeach()
  set(${variable} ${files} PARENT_SCOPE)
endfunction()
