# The export header of libqx (qx_export.h: QX_EXPORT, QX_NO_EXPORT, QX_EXPORT_PARTIAL,
# QX_EXPORT_MEMBER) for the object library `target` that holds libqx's sources, written to
# `dir`/qx_export.h. Shared by the build and the MinGW compile check, so that the check sees
# what a Windows build sees.
#
# The header takes libqx's own sources for the library (dllexport on Windows) when qx_EXPORTS
# is defined, and everything else for its users (dllimport); the object library's default
# symbol would be qx_objects_EXPORTS, so it is named here.
#
# A class that exports only some of its members is QX_EXPORT_PARTIAL. On ELF that is the
# class's default visibility, so its type information and tables are exported with it, and
# QX_NO_EXPORT hides each internal member. A DLL cannot hide a member of a dllexport class (the
# class exports every member it defines), so on Windows the class itself is not exported and
# each exported member carries QX_EXPORT_MEMBER (empty on ELF, where the class covers it).
include(GenerateExportHeader)
function(qx_export_header target dir)
  set_target_properties(${target} PROPERTIES DEFINE_SYMBOL qx_EXPORTS)
  if(WIN32)
    set(_partial "#define QX_EXPORT_PARTIAL\n#define QX_EXPORT_MEMBER QX_EXPORT")
  else()
    set(_partial "#define QX_EXPORT_PARTIAL QX_EXPORT\n#define QX_EXPORT_MEMBER")
  endif()
  set(_qx_partial_content
      "\n/* A class that exports some of its members (cmake/QxExportHeader.cmake). */\n${_partial}\n")
  generate_export_header(${target} BASE_NAME qx EXPORT_MACRO_NAME QX_EXPORT
                         NO_EXPORT_MACRO_NAME QX_NO_EXPORT
                         EXPORT_FILE_NAME ${dir}/qx_export.h
                         CUSTOM_CONTENT_FROM_VARIABLE _qx_partial_content)
  target_compile_definitions(${target} PRIVATE qx_EXPORTS)
endfunction()
