/*
 * internal.h - hooks of libcorvane for its own tests and benchmarks.
 *
 * NOT PART OF THE INTERFACE: a program never calls these.  They are exported
 * from libcorvane.so.0 only so that the tests and the benchmarks, which link
 * the shared library, can start each case from an empty state.  They may
 * change or go away in any release without a new SONAME.
 */
#ifndef CORVANE_INTERNAL_H
#define CORVANE_INTERNAL_H

#ifdef __cplusplus
extern "C" {
#endif

/* Frees every record of urec_list and sets urec_list to NULL.  Records that
 * the caller unlinked from the list before are not touched.  u_current is not
 * changed: a caller that had it pointing into the list must reset it. */
void corvane_forget_records(void);

/* Frees every milestone that add_milestone registered. */
void corvane_forget_milestones(void);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_INTERNAL_H */
