# ___chkstk_ms, the stack probe that the compiler calls before it
# allocates a frame larger than a page, with the frame's size in rax: it
# touches each page from the caller's stack pointer down to the frame's end,
# in order, so that the stack grows page by page through its guard page,
# and preserves every register. It is the program's own rather than the
# compiler library's for its unwind data: a frame larger than the stack
# runs out in the probe, and the stack walk steps out of it by that data
# to the routine whose frame did not fit.
        .text
        .globl  ___chkstk_ms
        .def    ___chkstk_ms; .scl 2; .type 32; .endef
        .seh_proc ___chkstk_ms
___chkstk_ms:
        pushq   %rcx
        .seh_pushreg %rcx
        pushq   %rax
        .seh_pushreg %rax
        .seh_endprologue
        leaq    24(%rsp), %rcx          # the caller's stack pointer
1:      cmpq    $0x1000, %rax
        jb      2f
        subq    $0x1000, %rcx
        orq     $0, (%rcx)
        subq    $0x1000, %rax
        jmp     1b
2:      subq    %rax, %rcx
        orq     $0, (%rcx)
        popq    %rax
        popq    %rcx
        ret
        .seh_endproc
