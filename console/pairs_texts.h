// Every text the console companion shows, in one place: its results, its refusals, its
// diagnostics and its help. The configurator's texts are in resources/program_texts.h; the
// rules' messages come with the rules (PairRuleMessage), in the configurator's words.
#pragma once

#include "store/store_names.h"

// After a change, as the configurator says it when its sheet closes.
#define TEXT_PAIRS_RESTART_NOTICE \
    "The Corvane mDNS Repeater service must be restarted for any changes to take effect."

#define TEXT_PAIRS_NOT_LOCAL "%s is not an IPv4 address of this computer."
// %s: the Networks key as StoreShownAs() names it.
#define TEXT_PAIRS_STORE_MISSING \
    "The registry key %s does not exist, so there is no list of pairs. The Corvane mDNS Repeater " \
    "service's installer creates it: install or repair the service."
// A store a save stopped between its two renames (%s: the key holding the list the service
// last read; then the clause naming where the new list is, or "").
#define TEXT_PAIRS_INTERRUPTED_OLD_LIST \
    "Networks is missing: a save was stopped between its two renames. %s holds the list the repeater " \
    "service last read, and that is the list shown and compared here%s. The next save starts from it and " \
    "puts the list asked for in place."
#define TEXT_PAIRS_INTERRUPTED_NEW_LIST_TOO "; %s holds the list that save was putting in place"
// %s: where the list a stopped save was putting in place is.
#define TEXT_PAIRS_INTERRUPTED_NEW_LIST_ONLY \
    "%s holds a list that a save stopped before it could put it in place; the repeater service never read it."
// %s: the key, %lu its pairs.
#define TEXT_PAIRS_INTERRUPTED_BESIDE_EMPTY \
    "Networks holds no pairs, but %s holds %lu that a save stopped between its two renames had put " \
    "aside: it may be the list the repeater service last read. No save removes it; copy its pairs back " \
    "(mDNSPairs set), or remove that key."
// The plan's line when the new list cannot be built under its first name (%s: that key, then why).
#define TEXT_PAIRS_BUILT_ELSEWHERE "build: %s %s; the new list is built in \"" BUILDING_KEY_NAME_2 "\" instead"
// The plan's line for an old list aside that may not be removed (%s: the key, %ld the error).
#define TEXT_PAIRS_LEFTOVER_STAYS \
    "keep: %s may not be removed (error %ld); it stays aside, and the old list is put aside beside it"
// The plan's line when the old pair keys' permissions differ, so that no one DACL can be kept.
#define TEXT_PAIRS_PAIR_SECURITY_DIFFERS \
    "security: the pair keys' permissions differ from one another; the new pair keys get the permissions " \
    "Networks passes on"
// `list` of a store read through a registry link (%s: the key that is one).
#define TEXT_PAIRS_LIST_THROUGH_LINK \
    "\"%s\" is a registry link: the list shown is what it names, as the repeater service reads it. A save " \
    "replaces a link at Networks with the list, and refuses one above it."
// The DSC resource's refusals of an instance.
#define TEXT_DSC_UNKNOWN_OPERATION "The DSC operations are get, test, set, whatif and export."
#define TEXT_DSC_NO_INPUT "No instance was given: the resource reads it as JSON on standard input."
#define TEXT_DSC_INPUT_TOO_LONG "The instance is longer than 1 MB, far beyond any list of pairs: it was not read."
#define TEXT_DSC_NOT_JSON "The instance is not JSON: "
#define TEXT_DSC_NOT_AN_OBJECT "The instance is not a JSON object."
// %s: the property's name as JSON.
#define TEXT_DSC_UNKNOWN_PROPERTY \
    "The instance has a property %s that Corvane.mDNS/Pairs does not have (pairs, service, restartService)."
#define TEXT_DSC_PAIRS_MISSING "The instance has no pairs: the desired list is its \"pairs\" property."
#define TEXT_DSC_PAIRS_SHAPE \
    "The instance's \"pairs\" is not an array of {\"source\": TEXT, \"destination\": TEXT} objects."
#define TEXT_DSC_NOT_IN_CODE_PAGE "A text of the instance has a character this computer's code page cannot hold."
#define TEXT_DSC_SERVICE_SHAPE "The instance's \"service\" is not a text."
#define TEXT_DSC_RESTART_SHAPE "The instance's \"restartService\" is not true or false."
// Where 64-bit Windows shows the keys this 32-bit program uses.
#define TEXT_PAIRS_WOW64_VIEW \
    "on 64-bit Windows, regedit shows it as HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME "\\WOW6432Node\\" COMPANY_KEY_NAME \
    "\\" PRODUCT_KEY_NAME "\\" NETWORKS_KEY_NAME
#define TEXT_PAIRS_WOW64_NOTE \
    "On 64-bit Windows, regedit shows these keys below HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME "\\WOW6432Node."
// %s: the key that could not be read, %ld the registry's error.
#define TEXT_PAIRS_KEY_NOT_READABLE \
    "The registry key %s cannot be read (error %ld). If this account may not read it, run mDNSPairs as an " \
    "administrator."
#define TEXT_PAIRS_STORE_BAD_NAME \
    "The registry key %s holds a pair key named \"%s\" in this computer's code page, whose real name " \
    "the code page cannot hold, so it cannot be read. Rename or remove it (regedit shows its name)."
#define TEXT_PAIRS_UNKNOWN_ARGUMENT "\"%s\" is neither an IPv4 address nor the name of an adapter of this computer."
// After a word that names nothing here: what does (%s: the adapters with their addresses, then
// the addresses).
#define TEXT_PAIRS_THIS_COMPUTER "This computer's adapters: %s. Its IPv4 addresses: %s."
#define TEXT_PAIRS_NO_ADAPTERS_KNOWN "(adapter names unavailable)"
// A word with a single quote, as a cmd line that kept PowerShell's quoting hands it over.
#define TEXT_PAIRS_QUOTING \
    "A word starts or ends with ': in cmd, quote a name with spaces in \"double quotes\"; 'single quotes' " \
    "are PowerShell's."
#define TEXT_PAIRS_ADAPTER_WITHOUT_ADDRESS "The adapter \"%s\" has no IPv4 address."
#define TEXT_PAIRS_ADAPTER_WITH_ADDRESSES \
    "The adapter \"%s\" has more than one IPv4 address (%s): name the address instead."
#define TEXT_PAIRS_NOT_STORED "The pair %s, %s is not in the list: nothing was changed."
#define TEXT_PAIRS_ALREADY_SO "The list is already as asked: nothing was changed."
#define TEXT_PAIRS_ALREADY_STORED "The pair %s, %s is already in the list: nothing was changed."
#define TEXT_PAIRS_CONVERGED "The list is as asked: nothing would change."
#define TEXT_PAIRS_USAGE_HINT "Run \"mDNSPairs help\" for the commands and their arguments."
#define TEXT_PAIRS_HELP_HEAD \
    "Usage: mDNSPairs COMMAND [ARGUMENTS] [OPTIONS]      (mDNSPairs help COMMAND: one command)\n" \
    "Reads and changes the address pairs that the Corvane mDNS Repeater service bridges.\n" \
    "\n"
#define TEXT_PAIRS_HELP_CHANGE_OPTIONS \
    "\n" \
    "Options of add, remove, set, clear, import and prune:\n" \
    "  --what-if          prints what the same command without --what-if would do (its plan, with\n" \
    "                     the same exit code), and changes nothing\n" \
    "  --restart          restarts the repeater service after a change, or when it runs an older list\n" \
    "                     than the one stored; a stopped service stays stopped\n" \
    "  --service NAME     the service's key name or display name (default: the one displayed as\n" \
    "                     \"Corvane mDNS Repeater\"); also for check, status and restart\n" \
    "A run plans first, from one reading of the store and the service: --what-if prints the plan;\n" \
    "the real run prints it, carries it out, and says how it went. \"check ARGS\" answers for\n" \
    "\"set ARGS --restart\". A pending restart a run will not act on is said on a line of its own\n" \
    "(\"restart pending: ...\") and does not make the answer 2.\n"
#define TEXT_PAIRS_HELP_TAIL \
    "\n" \
    "SOURCE and DESTINATION are IPv4 addresses of this computer, or names of its adapters\n" \
    "(\"Ethernet 2\"), each standing for the adapter's one IPv4 address. Commands and options are\n" \
    "read in any case, options before or after the command, -WhatIf as --what-if. list, check,\n" \
    "export, status, help and --version only read, and need no elevation.\n" \
    "Texts from the store and adapter names are printed with control characters as \\xNN\n" \
    "and backslashes doubled. Every change and every restart is written to the Application log\n" \
    "(source \"Corvane mDNS Configurator\"); dry runs, check, list, status and export write nothing.\n" \
    "\n" \
    "Exit codes:\n" \
    "  0  done, and nothing needed changing: the store is exactly the list (check: converged)\n" \
    "  1  the store could not be made to hold the list (it holds the old one), or no memory\n" \
    "  2  done, and the list changed or the service was restarted (check, --what-if: it would be)\n" \
    "  3  refused by a rule; nothing was changed\n" \
    "  4  usage error, or a FILE that is not of the export's shape; nothing was changed\n" \
    "  5  the store cannot be used or saved: the Networks key is missing, a registry link, or a\n" \
    "     key this account may not change; nothing was changed\n" \
    "  6  another program changed the list before or while this saved; its change was kept\n" \
    "     and nothing of this command's was stored: look, then run it again\n" \
    "  7  changed, but the repeater service did not restart\n" \
    "  8  whether another program changed the list could not be read; nothing was changed\n" \
    "  9  a --service that names no service (any command), or the repeater service cannot be\n" \
    "     found or asked (status, restart)\n" \
    " 10  this computer's addresses cannot be read, so no pair can be called stale (prune)\n"
#define TEXT_PAIRS_NO_FILE "The file \"%s\" cannot be read: %s."
#define TEXT_PAIRS_EVENT_NOT_WRITTEN \
    "The event for this run could not be written to the Application log (error %lu); what was done stands."
#define TEXT_PAIRS_ADDRESSES_UNKNOWN \
    "This computer's addresses cannot be read (neither the host lookup nor the adapters answered), so no pair " \
    "can be called stale: nothing was changed."
#define TEXT_PAIRS_NONE_STALE "No stored pair names an address this computer does not have: nothing was changed."
#define TEXT_PAIRS_STORE_UNSAVABLE "The list in %s cannot be saved: %s. Nothing was changed."
// Why, for TEXT_PAIRS_STORE_UNSAVABLE: %s the key's name, %ld the registry's error.
#define TEXT_PAIRS_UNSAVABLE_LINK "\"%s\" is a registry link, which the save never writes through"
#define TEXT_PAIRS_UNSAVABLE_MISSING "\"%s\" is missing"
#define TEXT_PAIRS_UNSAVABLE_DENIED \
    "this account may not change \"%s\" (error %ld): run mDNSPairs as an administrator"
#define TEXT_PAIRS_UNSAVABLE_ASIDE \
    "neither \"" BUILDING_KEY_NAME "\" nor \"%s\" beside Networks may be removed (error %ld), and the save " \
    "builds the new list in one of them: run mDNSPairs as an administrator, or remove those keys"
#define TEXT_PAIRS_UNSAVABLE_NOT_REPLACEABLE \
    "this account may not replace \"%s\" (error %ld): run mDNSPairs as an administrator"
#define TEXT_PAIRS_DUPLICATE_PAIR \
    "The pair %s, %s stands twice in the list asked for (either way round); a pair may stand only once."
#define TEXT_PAIRS_NOT_AN_ADDRESS \
    "The file \"%s\" asks for a text that is not an IPv4 address (line %d: %s \"%s\"); nothing was changed."
#define TEXT_PAIRS_FILE_TOO_LARGE "The file \"%s\" is larger than %d MB, far beyond any export: it was not read."
#define TEXT_PAIRS_OUT_OF_MEMORY "There was not enough memory to finish: nothing more was done."
#define TEXT_PAIRS_NOT_AN_EXPORT "The file \"%s\" is not an export of mDNSPairs (%s)."
#define TEXT_PAIRS_NO_VERSION "The version of this program cannot be read from its resources."
#define TEXT_PAIRS_STORE_CHANGED \
    "Another program changed the address pairs before or while this command saved them. Its change was " \
    "kept, and nothing of this command's was stored. Look at the list, then run the command again."
#define TEXT_PAIRS_STORE_UNCHECKED \
    "Whether another program changed the address pairs since this command read them could not be " \
    "checked (the registry could not be read): nothing was changed. Run the command again."
#define TEXT_PAIRS_LOCK_WAITING "Another program is saving the address pairs: waiting up to 30 seconds for it."
#define TEXT_PAIRS_LOCK_TIMED_OUT \
    "The other program did not finish saving within 30 seconds. Saving without the lock; the list is " \
    "still compared before and read back after."
#define TEXT_PAIRS_LOCK_NAME_TAKEN \
    "The name of the lock our programs save under is held by an object of another kind. Saving without " \
    "the lock; the list is still compared before and read back after."
#define TEXT_PAIRS_LOCK_UNAVAILABLE \
    "The lock our programs save under could not be taken. Saving without it; the list is still compared " \
    "before and read back after."
#define TEXT_PAIRS_NOT_SAVED \
    "The registry could not be made to hold the address pairs asked for. Nothing was changed: the " \
    "registry holds the list it held before."
// %s: the key the save stopped at, %ld the registry's error.
#define TEXT_PAIRS_SAVE_STOPPED_AT "The save stopped at the registry key %s (error %ld)."
#define TEXT_PAIRS_NOT_SAVED_OLD_ASIDE \
    "The registry could not be made to hold the address pairs asked for, and the old list could not be " \
    "put back in its place: %s is missing or holds another program's list, and the old list is in %s."
#define TEXT_PAIRS_LEFT_ASIDE \
    "The address pairs were saved. The old list could not be removed entirely: what remains of it is in " \
    "%s, which the repeater service does not read; the next save tries to remove it again."
// %s: where the list another program wrote to is.
#define TEXT_PAIRS_ASIDE_CHANGED \
    "Another program wrote to the old list of address pairs after it was replaced. Its change is kept " \
    "in %s, which the repeater service does not read: no save removes that key."
// Where `list` says no adapter holds an address, or that the adapters are not known.
#define TEXT_PAIRS_NOT_ON_THIS_COMPUTER "not on this computer"
#define TEXT_PAIRS_ADAPTERS_UNAVAILABLE "adapter names unavailable"

// The repeater service (%s: the service's name as given or found, then the manager's error
// as "error N", or the state it is in).
#define TEXT_PAIRS_NO_SERVICE_MANAGER "The service control manager cannot be reached (%s)."
#define TEXT_PAIRS_SERVICE_MISSING "The service \"%s\" does not exist (a key name or a display name will do)."
#define TEXT_PAIRS_SERVICE_UNOPENED "The service \"%s\" cannot be opened (%s) (a key name or a display name will do)."
#define TEXT_PAIRS_SERVICE_UNASKED "The service %s cannot be asked for its state (%s)."
#define TEXT_PAIRS_SERVICE_STAYS_STOPPED \
    "The service %s is stopped; it stays stopped and reads the new list when it starts."
#define TEXT_PAIRS_SERVICE_LEFT_AS_IT_IS "The service %s is %s and was not restarted."
#define TEXT_PAIRS_SERVICE_REFUSED_STOP "The service %s refused to stop (%s)."
#define TEXT_PAIRS_SERVICE_DID_NOT_STOP "The service %s did not stop within 30 seconds (it is %s)."
#define TEXT_PAIRS_SERVICE_FAILED_START "The service %s stopped but failed to start again (%s)."
#define TEXT_PAIRS_SERVICE_DID_NOT_START "The service %s stopped but did not start again within 30 seconds (it is %s)."
#define TEXT_PAIRS_SERVICE_RESTARTED "The service %s was restarted."
#define TEXT_PAIRS_STATE_UNKNOWN "in an unknown state"

// How the store differs from what a save writes, one "rewrite:" line each (%s: a level's or a
// pair key's name, then a value's name, its type or the text it should hold).
#define TEXT_DIFFERS_LEVEL_LINK "%s is missing or a registry link"
#define TEXT_DIFFERS_NETWORKS_MISSING "Networks is missing; the list is in \"%s\""
#define TEXT_DIFFERS_NETWORKS_UNREADABLE "Networks cannot be read"
#define TEXT_DIFFERS_NETWORKS_VALUES "Networks has values of its own"
#define TEXT_DIFFERS_NETWORKS_UNLISTABLE "Networks cannot be listed"
#define TEXT_DIFFERS_FOREIGN_SUBKEY "Networks has a subkey \"%s\" that is not a row's"
#define TEXT_DIFFERS_ROW_MISSING "Networks\\%s is missing or a registry link"
#define TEXT_DIFFERS_PAIR_UNREADABLE "Networks\\%s cannot be read"
#define TEXT_DIFFERS_PAIR_SUBKEYS "Networks\\%s has subkeys"
#define TEXT_DIFFERS_PAIR_ODD_VALUE "Networks\\%s has a value that is not one the save writes"
#define TEXT_DIFFERS_PAIR_EXTRA_VALUE "Networks\\%s has an extra value \"%s\""
#define TEXT_DIFFERS_PAIR_VALUE_TYPE "Networks\\%s\\%s is of type %lu, not REG_SZ"
#define TEXT_DIFFERS_PAIR_VALUE_TEXT "Networks\\%s\\%s does not hold \"%s\""
#define TEXT_DIFFERS_PAIR_VALUE_MISSING "Networks\\%s has no value \"%s\""
// Why the save builds its new list under another name (after the key's path).
#define TEXT_PAIRS_BLOCKED_BY_LINK "is what Networks links to"
#define TEXT_PAIRS_BLOCKED_UNREMOVABLE "may not be removed (error %ld)"
// What a removal met, as the configurator says it.
#define TEXT_PAIRS_KEY_NOT_FOUND "Key not found.\n"
#define TEXT_PAIRS_KEY_NOT_OPENED "Error opening key.\n"

// Why a file is not an export the import reads (after "line N: ").
#define TEXT_IMPORT_VALUE_OUTSIDE "a value outside a pair's section"
#define TEXT_IMPORT_NOT_A_VALUE_LINE "not a value line"
#define TEXT_IMPORT_UNWRITTEN_VALUE "a value that the export does not write"
#define TEXT_IMPORT_VALUE_NAME "an unknown or repeated value name"
#define TEXT_IMPORT_VALUES_MISSING "a pair's section without all four values"
#define TEXT_IMPORT_DELETING_SECTION "a section that deletes a key, which an import never needs"
#define TEXT_IMPORT_KEY_OUTSIDE "a key outside the Networks key"
#define TEXT_IMPORT_KEY_NOT_A_PAIR "a key below Networks that is not a pair's number"
#define TEXT_IMPORT_PAIR_NUMBER_TWICE "a pair's number twice"
#define TEXT_IMPORT_NUMBERING_GAP "pairs not numbered 0, 1, 2, ... without a gap"
#define TEXT_IMPORT_NOT_A_REG_FILE "neither a REGEDIT4 file nor a Windows Registry Editor Version 5.00 file"
#define TEXT_IMPORT_LINE_AFTER_COUNT "a line after the export's last"
#define TEXT_IMPORT_UNWRITTEN_LINE "a line that the export does not write"
#define TEXT_IMPORT_NUL "a NUL character"
#define TEXT_IMPORT_EMPTY_FILE "an empty file"
#define TEXT_IMPORT_NO_NETWORKS_SECTION "no section for the Networks key"
#define TEXT_IMPORT_COUNT_LINE_MISSING "the export's last line, which counts its pairs, is missing: cut short?"
#define TEXT_IMPORT_COUNT_DIFFERS "not as many pairs as the export's last line counts"
#define TEXT_IMPORT_CUT_SHORT "the file does not end as reg export ends one (a blank line after the last values): cut short?"
#define TEXT_IMPORT_NO_PAIRS "no pairs and no count line: to empty the list, use \"clear\" or an export of ours"
#define TEXT_IMPORT_ODD_UTF16 "UTF-16 with an odd number of bytes"
#define TEXT_IMPORT_NOT_UTF8 "text that is not UTF-8"
#define TEXT_IMPORT_UNCONVERTIBLE "text that cannot be converted"
#define TEXT_IMPORT_OUTSIDE_CODE_PAGE "a character that this computer's code page cannot hold"

// The help: what each command takes when its words do not fit, and what it does.
#define TEXT_TAKES_NOTHING "no arguments"
#define TEXT_TAKES_ONE_PAIR "a SOURCE and a DESTINATION"
#define TEXT_TAKES_PAIRS "SOURCE DESTINATION pairs, at least one (\"clear\" empties the list)"
#define TEXT_TAKES_PAIRS_OR_FILE "SOURCE DESTINATION pairs, at least one, or --file FILE"
#define TEXT_TAKES_FILE "one FILE"
#define TEXT_TAKES_OPERATION "one operation"
#define TEXT_HELP_LIST \
    "the stored pairs, one a line: source, destination, and the adapter of this computer that holds each " \
    "(tab-separated)"
#define TEXT_HELP_ADD \
    "appends a pair, under the configurator's rules; a pair already in the list, either way round, needs no change"
#define TEXT_HELP_REMOVE "removes the pair, whichever way round it is stored"
#define TEXT_HELP_SET "makes the list exactly these pairs, in this order"
#define TEXT_HELP_CLEAR "empties the list"
#define TEXT_HELP_CHECK \
    "says what \"set ... --restart\" (or \"import FILE --restart\") would do: the changes, and a restart of a " \
    "service that runs an older list; changes nothing"
#define TEXT_HELP_EXPORT "the list as a .reg file, on standard output"
#define TEXT_HELP_IMPORT \
    "makes the list exactly the pairs of a .reg file of the export's shape (this program's export, or reg export " \
    "of the Networks key), each text a dotted IPv4 address as it stands"
#define TEXT_HELP_PRUNE \
    "removes the pairs that name an address this computer does not have now, and keeps the others in their " \
    "order; refused (exit 10) when this computer's addresses cannot be read"
#define TEXT_HELP_STATUS \
    "the repeater service's state and process, the number of stored pairs, whether a restart is pending, and " \
    "the stale pairs: those that name an address this computer does not have now"
#define TEXT_HELP_DSC \
    "the DSC resource Corvane.mDNS/Pairs: the operation named, the instance as JSON on standard input, its state " \
    "as JSON on standard output, errors as JSON lines on standard error"
#define TEXT_HELP_RESTART "restarts the repeater service (a stopped one stays stopped)"
#define TEXT_HELP_VERSION "the version of this program"

// The command line's usage errors.
#define TEXT_PAIRS_NOT_A_COMMAND "\"%s\" is not a command (the commands are: %s)."
#define TEXT_PAIRS_NO_SUCH_OPTION "\"%s\" takes no option %s."
#define TEXT_PAIRS_DID_YOU_MEAN " Did you mean %s?"
#define TEXT_PAIRS_OPTION_VALUE_MISSING "%s needs a value."
#define TEXT_PAIRS_OPTION_VALUE_IS_A_FLAG "%s needs a value, not \"%s\"."
#define TEXT_PAIRS_NO_COMMAND "No command was given."

// The pending restart, as a plan line or said on standard error (%s: why it cannot be told).
#define TEXT_PAIRS_RESTART_DUE "restart the service: it started before the list was last written"
#define TEXT_PAIRS_RESTART_PENDING \
    "restart pending: the service started before the list was last written (--restart restarts it)"
#define TEXT_PAIRS_RESTART_UNTOLD "restart the service: whether it read the list cannot be told (%s)"
#define TEXT_PAIRS_PENDING_UNTOLD "restart pending: cannot tell (%s)"
#define TEXT_PAIRS_PENDING_CANNOT_BE_TOLD "Whether a restart is pending cannot be told: %s."
#define TEXT_PAIRS_WHY_START_UNKNOWN "the process of the service %s cannot be asked when it started"
#define TEXT_PAIRS_WHY_TIMES_UNKNOWN "the times the list was written cannot be read"

// The stale pairs in status (%s: the pair's texts, then the address or addresses missing).
#define TEXT_PAIRS_STALE_UNTOLD "stale pairs: cannot tell (this computer's addresses cannot be read)"
#define TEXT_PAIRS_STALE_ONE "stale pair %s %s: %s is not an address of this computer"
#define TEXT_PAIRS_STALE_BOTH "stale pair %s %s: %s and %s are not addresses of this computer"

// The companion's refused saves in the Application log.
#define TEXT_PAIRS_EVENT_CHANGED_FIRST \
    "Another program changed the list first: its change was kept, and this command was not retried (exit 6)."
#define TEXT_PAIRS_EVENT_UNCHECKED \
    "Whether another program changed the list could not be read: nothing was changed (exit 8)."

// Where a JSON document goes wrong (then " at character N").
#define TEXT_JSON_NOT_A_VALUE "not a JSON value"
#define TEXT_JSON_SHORT_ESCAPE "a \\u escape without four hex digits"
#define TEXT_JSON_UNENDED_STRING "a string that does not end"
#define TEXT_JSON_CONTROL_CHARACTER "a control character in a string"
#define TEXT_JSON_UNKNOWN_ESCAPE "an unknown escape in a string"
#define TEXT_JSON_BROKEN_SURROGATE "a broken surrogate pair"
#define TEXT_JSON_TOO_DEEP "nesting too deep"
#define TEXT_JSON_ARRAY_BROKEN "an array that does not go on with , or end with ]"
#define TEXT_JSON_UNQUOTED_NAME "an object member without a quoted name"
#define TEXT_JSON_MEMBER_TWICE "a member named twice"
#define TEXT_JSON_NAME_WITHOUT_COLON "a member name without :"
#define TEXT_JSON_OBJECT_BROKEN "an object that does not go on with , or end with }"
#define TEXT_JSON_MORE_AFTER "more after the JSON document"
#define TEXT_JSON_AT_CHARACTER " at character %u"
