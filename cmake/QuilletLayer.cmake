# The program's layers (files, settings, core, ui) are libraries whose headers
# only the targets that link them can include. Sources include headers by
# layer ("core/sample_table.h"), but the source root is never an include
# directory: each layer is exposed through a directory of its own in the build
# tree that holds a single link named after the layer's folder. A target thus
# sees exactly the layers it links, and an include of any other fails to
# compile.
function(quillet_layer target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  # A nested folder (ui/win32) needs its parent folders in the link's place.
  get_filename_component(link_parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
  target_compile_options(${target} PRIVATE ${QUILLET_WARNINGS})
endfunction()
