// Every text the program shows to the administrator, in one place.
#pragma once

#define TEXT_SETTINGS_ERROR \
    "Error reading program settings from the registry.\r\n\r\nThe program will now exit."
#define CAPTION_SETTINGS_ERROR "Corvane Software"

#define TEXT_SAVE_ERROR \
    "The registry could not be made to hold exactly the address pairs shown.\r\n\r\n" \
    "Some pairs may not have been written, or some old entries could not be removed. " \
    "The repeater service may find an incomplete or outdated list."
#define CAPTION_SAVE_ERROR "Corvane Software"

#define CAPTION_RULE_ERROR "mDNS Error"
#define TEXT_RULE_BLANK "The source address or destination address cannot be blank."
#define TEXT_RULE_SAME "The source address and destination address cannot be the same."
#define TEXT_RULE_DUPLICATE "The address pair you are attempting to add already exists in the list."
#define TEXT_RULE_NOTHING_SELECTED "No item was selected to remove."

#define TEXT_RESTART_NOTICE \
    "The Corvane mDNS Repeater service must be restarted for any changes to take effect."
#define CAPTION_RESTART_NOTICE "Corvane mDNS Configurator"

#define SHEET_CAPTION "Corvane Software - mDNS Configurator"
#define PAGE_TITLE_GENERAL "General"
#define COLUMN_HEADING_SOURCE "IP1"
#define COLUMN_HEADING_DESTINATION "IP2"

// The line below the pair list that says which adapter holds each address in play.
#define TEXT_NOT_ON_THIS_COMPUTER "not on this computer"
#define TEXT_ADAPTERS_UNAVAILABLE "adapter names unavailable"
#define TEXT_HOLDER_SOURCE "Source %s: %s."
#define TEXT_HOLDER_DESTINATION "Destination %s: %s."
#define TEXT_HOLDER_SELECTED "Selected pair: %s: %s; %s: %s."

// Names for a screen reader of the controls that show no label of their own.
#define ACCESSIBLE_NAME_SOURCE "Source address"
#define ACCESSIBLE_NAME_DESTINATION "Destination address"
#define ACCESSIBLE_NAME_PAIRS "Address pairs"

// The console companion.
#define TEXT_PAIRS_NOT_LOCAL "%s is not an IPv4 address of this computer."
#define TEXT_PAIRS_STORE_MISSING \
    "The registry key HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks does not exist, so " \
    "there is no list of pairs. The Corvane mDNS Repeater service's installer creates it: install or repair " \
    "the service."
#define TEXT_PAIRS_STORE_UNOPENABLE \
    "The registry key HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS, or a key below it, cannot be " \
    "opened with full access (error %ld). Run mDNSPairs as an administrator."
#define TEXT_PAIRS_UNKNOWN_ARGUMENT "\"%s\" is neither an IPv4 address nor the name of an adapter of this computer."
#define TEXT_PAIRS_ADAPTER_WITHOUT_ADDRESS "The adapter \"%s\" has no IPv4 address."
#define TEXT_PAIRS_ADAPTER_WITH_ADDRESSES \
    "The adapter \"%s\" has more than one IPv4 address (%s): name the address instead."
#define TEXT_PAIRS_NOT_STORED "The pair %s, %s is not in the list: nothing was changed."
#define TEXT_PAIRS_ALREADY_SO "The list is already as asked: nothing was changed."
#define TEXT_PAIRS_ALREADY_STORED "The pair %s, %s is already in the list: nothing was changed."
#define TEXT_PAIRS_CONVERGED "The list is as asked: nothing would change."
#define TEXT_PAIRS_USAGE_HINT "Run \"mDNSPairs --help\" for the commands and their arguments."
#define TEXT_PAIRS_NO_FILE "The file \"%s\" cannot be read."
#define TEXT_PAIRS_NOT_AN_EXPORT "The file \"%s\" is not an export of mDNSPairs (%s)."
#define TEXT_PAIRS_NO_VERSION "The version of this program cannot be read from its resources."
#define TEXT_PAIRS_STORE_CHANGED \
    "Another program changed the address pairs while this command ran: nothing was changed. Run it again."
#define TEXT_STORE_CHANGED_QUESTION \
    "Another program changed the address pairs in the registry after this sheet was opened.\r\n\r\n" \
    "Replace them with the pairs shown here?"
#define TEXT_PAIRS_NOT_SAVED \
    "The registry could not be made to hold exactly the address pairs asked for. Some pairs may not " \
    "have been written, or some old entries could not be removed."
