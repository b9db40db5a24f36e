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

# The files and core layers built once more, as quillet_files_${suffix} and
# quillet_core_${suffix}, for the data pass's differential target and its
# replay: a read block of 29 bytes, so that lines stand across blocks and most
# also whole in one (where the pass takes them in place), a write buffer of 13
# bytes and the table in chunks of 64 bytes. ARGN: compile options of both.
function(quillet_small_block_layers suffix)
  find_package(Threads REQUIRED)
  foreach(layer files core)
    get_target_property(sources quillet_${layer} SOURCES)
    list(TRANSFORM sources PREPEND ${PROJECT_SOURCE_DIR}/${layer}/)
    add_library(quillet_${layer}_${suffix} STATIC ${sources})
    target_include_directories(quillet_${layer}_${suffix} PUBLIC ${PROJECT_BINARY_DIR}/layers/${layer})
    target_compile_options(quillet_${layer}_${suffix} PRIVATE ${QUILLET_WARNINGS} ${ARGN})
  endforeach()
  target_compile_definitions(quillet_files_${suffix} PUBLIC QUILLET_READ_BLOCK_SIZE=29
                             QUILLET_WRITE_BUFFER_SIZE=13)
  target_compile_definitions(quillet_core_${suffix} PUBLIC QUILLET_TABLE_CHUNK_BITS=6)
  target_link_libraries(quillet_core_${suffix} PUBLIC quillet_files_${suffix} quillet_stats
                        PRIVATE Threads::Threads)
endfunction()
