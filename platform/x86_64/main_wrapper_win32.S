# main_wrapper(program, raise) for the Windows x64 calling convention.
# The frame register is cleared before the program is called, so its frame
# record names no caller. The fault handler resumes a faulting thread at
# main_wrapper_recovery, with the stack as it was here, and the error number
# in main_wrapper_fault. The unwind data lets the search of an exception for
# its catch step through to the C library's start-up; the error report's
# stack walk ends here, at the outermost frame of the program.
        .text
        .globl  main_wrapper
        .globl  main_wrapper_recovery
main_wrapper:
        .seh_proc main_wrapper
        pushq   %rbp
        .seh_pushreg %rbp
        pushq   %rbx
        .seh_pushreg %rbx
        pushq   %r12
        .seh_pushreg %r12
        subq    $32, %rsp               # the callee's home area
        .seh_stackalloc 32
        .seh_endprologue
        movq    %rdx, main_wrapper_raise(%rip)
        movq    %rsp, main_wrapper_sp(%rip)
        xorl    %ebp, %ebp
        call    *%rcx
        nop                             # a return address never starts an epilogue
        addq    $32, %rsp
        popq    %r12
        popq    %rbx
        popq    %rbp
        ret
main_wrapper_recovery:
        movq    main_wrapper_sp(%rip), %rsp
        xorl    %ebp, %ebp
        movzwl  main_wrapper_fault(%rip), %ecx
        call    *main_wrapper_raise(%rip)
        ud2
        .seh_endproc

        .data
        .globl  main_wrapper_sp
        .globl  main_wrapper_fault
        .balign 8
main_wrapper_raise:
        .quad   0
main_wrapper_sp:
        .quad   0
main_wrapper_fault:
        .word   0
