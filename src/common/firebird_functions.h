#pragma once

/* The functions of the Firebird/InterBase client interface the monitor calls, by name. Every client from
   InterBase 6 and Firebird 1.5 to Firebird 5 has the required ones, as fbclient.dll or gds32.dll and Linux's
   libfbclient; a client without one of them does not serve. The optional ones are used where they exist.
   Plain C, so that the test stand-ins of a client export the same list. */

#define VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(X) \
    X(isc_attach_database)                     \
    X(isc_detach_database)                     \
    X(isc_start_transaction)                   \
    X(isc_commit_transaction)                  \
    X(isc_commit_retaining)                    \
    X(isc_rollback_transaction)                \
    X(isc_dsql_allocate_statement)             \
    X(isc_dsql_prepare)                        \
    X(isc_dsql_describe)                       \
    X(isc_dsql_sql_info)                       \
    X(isc_dsql_execute)                        \
    X(isc_dsql_execute2)                       \
    X(isc_dsql_fetch)                          \
    X(isc_dsql_free_statement)                 \
    X(isc_open_blob2)                          \
    X(isc_get_segment)                         \
    X(isc_close_blob)                          \
    X(isc_interprete)

/* fb_interpret is the bounded form of isc_interprete (Firebird 2.0 on); isc_get_client_version names the
   client's version (Firebird 1.5 on). */
#define VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(X) \
    X(fb_interpret)                            \
    X(isc_get_client_version)
