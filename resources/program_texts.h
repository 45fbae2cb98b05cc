// Every text the program shows to the administrator, in one place.
#pragma once

#define TEXT_SETTINGS_ERROR \
    "Error reading program settings from the registry.\r\n\r\nThe program will now exit."
#define CAPTION_SETTINGS_ERROR "Corvane Software"

#define TEXT_SAVE_ERROR \
    "The address pairs could not be saved. The registry still holds the list it held before: nothing " \
    "was changed.\r\n\r\n" \
    "This sheet stays open with its pairs: press OK or Apply to try again, or Cancel to leave the list " \
    "as it is."
// A save that could not put the old list back where it was (%s: Networks, then where the old list is).
#define TEXT_SAVE_ERROR_OLD_ASIDE \
    "The address pairs could not be saved, and the old list could not be put back in its place: the " \
    "registry key %s is missing or holds another program's list, and the old list is in %s.\r\n\r\n" \
    "This sheet stays open with its pairs: press OK or Apply to try again, or Cancel to leave the " \
    "registry as it is."
// A save that stored the pairs but could not remove all of the old list (%s: where it is).
#define TEXT_SAVE_LEFT_ASIDE \
    "The address pairs were saved.\r\n\r\n" \
    "The old list could not be removed entirely. What remains of it is in the registry key %s, which " \
    "the repeater service does not read; the next save tries to remove it again."
// An old list that another program wrote to after a save put it aside (%s: where it is).
#define TEXT_SAVE_ASIDE_CHANGED \
    "Another program wrote to the old list of address pairs after it was replaced. Its change is kept " \
    "in the registry key %s, which the repeater service does not read: no save removes that key. Look " \
    "at it, and remove it when it is not needed."
// The same, as the audit trail says it (%s: the key's name beside Networks).
// The configurator's events in the Application log: what a save did beyond its changes.
#define TEXT_EVENT_REPLACED_ANOTHER "The administrator chose to replace another program's change."
#define TEXT_EVENT_LEFT_ASIDE "The old list could not be removed entirely and was left aside as \"%s\"."
#define TEXT_EVENT_SAVE_FAILED_TOUCHED \
    "The save did not complete, and the old list could not be put back in its place; the sheet showed its " \
    "error and stays open."
#define TEXT_EVENT_SAVE_FAILED \
    "The save did not complete and nothing was changed; the sheet showed its error and stays open."
#define TEXT_EVENT_CHANGED_FIRST "Another program changed the list first"
#define TEXT_EVENT_UNCHECKED "Whether another program changed the list could not be read"
#define TEXT_EVENT_ANSWERED_YES "; the administrator answered Yes: the list shown replaces it."
#define TEXT_EVENT_ANSWERED_NO "; the administrator answered No: nothing was saved, and the sheet stays open."
#define TEXT_EVENT_ASIDE_CHANGED \
    "Another program wrote to the old list after it was replaced; its change is kept in \"%s\", which no " \
    "save removes."
// The save's own boxes, beside its question: the fatal settings error keeps "Corvane Software".
#define CAPTION_SAVE_ERROR "Corvane mDNS Configurator"

#define CAPTION_RULE_ERROR "mDNS Error"
// How one list differs from another, a line a change ("add S D", "remove S D", "reorder the
// pairs"): what the companion prints and both programs write to the Application log.
#define TEXT_CHANGE_ADD "add"
#define TEXT_CHANGE_REMOVE "remove"
#define TEXT_CHANGE_REORDER "reorder the pairs"

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
// Below the list when no row is selected: the pairs drawn grey.
#define TEXT_STALE_PAIR "1 pair names an address this computer does not have."
#define TEXT_STALE_PAIRS "%d pairs name an address this computer does not have."

// Names for a screen reader of the controls that show no label of their own.
#define ACCESSIBLE_NAME_SOURCE "Source address"
#define ACCESSIBLE_NAME_DESTINATION "Destination address"
#define ACCESSIBLE_NAME_PAIRS "Address pairs"

// The configurator's question when the store is not what the sheet was opened with.
#define CAPTION_STORE_QUESTION "Corvane mDNS Configurator"
#define TEXT_STORE_CHANGED_QUESTION \
    "Another program changed the address pairs in the registry after this sheet read them, or while " \
    "they were being saved. Its change was kept, and none of the pairs shown here were stored.\r\n\r\n" \
    "Yes replaces what the registry holds now with the pairs shown here.\r\n" \
    "No leaves the registry as it is and keeps this sheet open: press Cancel and open the " \
    "configurator again to see the other program's pairs."
#define TEXT_STORE_UNCHECKED_QUESTION \
    "The address pairs in the registry could not be read to check whether another program changed " \
    "them after this sheet read them.\r\n\r\n" \
    "Yes replaces whatever the registry holds with the pairs shown here.\r\n" \
    "No leaves the registry as it is and keeps this sheet open."
#define TEXT_LOCK_WAITING "Waiting for another program to finish saving the address pairs..."
#define TEXT_LOCK_NOT_HELD \
    "Another program kept the address pairs locked for 30 seconds, or the lock could not be taken.\r\n\r\n" \
    "The pairs are saved without the lock. They are compared with what this sheet read before anything " \
    "is removed, and read back after, so another program's change is not lost without a word."
