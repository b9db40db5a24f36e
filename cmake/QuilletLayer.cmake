# The program's layers (files, settings, core, ui/forms, ui/qt) are libraries
# whose headers only the targets that link them can include. Sources include
# headers by layer ("core/sample_table.h"), but the source root is never an
# include directory: each layer is exposed through a directory of its own in
# the build tree that holds a single link named after the layer's folder
# (for a nested folder such as ui/forms, the link ui/forms inside a folder
# ui). A target thus sees exactly the layers it links, and an include of any
# other fails to compile.
function(quillet_layer target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
  target_compile_options(${target} PRIVATE ${QUILLET_WARNINGS})
endfunction()
