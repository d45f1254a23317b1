# Warnings are errors for our own code; third-party headers come in as SYSTEM.
set(TAPVOX_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)
function(tapvox_warnings target)
    target_compile_options(${target} PRIVATE ${TAPVOX_WARNINGS})
endfunction()
