# Warning flags shared by every target of the project.
function(tidewell_warnings target)
  # C and C++ only: a Windows program's resource script goes through the resource compiler.
  target_compile_options(${target} PRIVATE
    "$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra;-Wpedantic;-Wshadow;-Wconversion;-Wno-sign-conversion;-Wnon-virtual-dtor>")
endfunction()
