# Warning flags shared by every target of the project, each with the reason it is on.
add_library(orva_warnings INTERFACE)
target_compile_options(orva_warnings INTERFACE
  -Wall                 # the common set of likely mistakes
  -Wextra               # unused parameters, signed/unsigned comparisons, missing initialisers
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>  # a local hiding another local is almost always a slip
  -Wnon-virtual-dtor    # classes with virtual operations are deleted through base pointers
  -Wimplicit-fallthrough # every fall-through in a switch is written down
)
if(ORVA_WERROR)
  target_compile_options(orva_warnings INTERFACE -Werror)
endif()
