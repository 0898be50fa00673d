/* The calls into the libraries go through .plt, and the C runtime enters
   through .init: placed before .text, they lie beside the start-up's
   functions (which the order file puts first) rather than after the cold
   end of the code, where each would keep a further 64 KB in memory. */
SECTIONS {
  .init : { KEEP(*(SORT_NONE(.init))) }
  .plt : { *(.plt) *(.iplt) }
} INSERT BEFORE .text;
