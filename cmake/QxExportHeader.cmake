# The export header of libqx (qx_export.h: QX_EXPORT, QX_NO_EXPORT) for the object library
# `target` that holds libqx's sources, written to `dir`/qx_export.h. Shared by the build and
# the MinGW compile check, so that the check sees what a Windows build sees.
#
# The header takes libqx's own sources for the library (dllexport on Windows) when qx_EXPORTS
# is defined, and everything else for its users (dllimport); the object library's default
# symbol would be qx_objects_EXPORTS, so it is named here.
include(GenerateExportHeader)
function(qx_export_header target dir)
  set_target_properties(${target} PROPERTIES DEFINE_SYMBOL qx_EXPORTS)
  generate_export_header(${target} BASE_NAME qx EXPORT_MACRO_NAME QX_EXPORT
                         NO_EXPORT_MACRO_NAME QX_NO_EXPORT
                         EXPORT_FILE_NAME ${dir}/qx_export.h)
  target_compile_definitions(${target} PRIVATE qx_EXPORTS)
endfunction()
