#pragma once
// Texts of the editor framework that more than one unit uses.

// Registration texts of the editor kinds: the short name, a vertical bar, then the description. Each
// kind's unit registers its properties class with its text in the editor kind registry.
inline constexpr const char* cxSEditRepositoryBlobItem = "BlobEdit|Represents the BLOB editor";
inline constexpr const char* cxSEditRepositoryButtonItem = "ButtonEdit|Represents an edit control with embedded buttons";
inline constexpr const char* cxSEditRepositoryCalcItem =
    "CalcEdit|Represents an edit control with a dropdown calculator window";
inline constexpr const char* cxSEditRepositoryCheckBoxItem =
    "CheckBox|Represents a check box control that allows selecting an option";
inline constexpr const char* cxSEditRepositoryComboBoxItem = "ComboBox|Represents the combo box editor";
inline constexpr const char* cxSEditRepositoryCurrencyItem =
    "CurrencyEdit|Represents an editor enabling editing currency data";
inline constexpr const char* cxSEditRepositoryDateItem = "DateEdit|Represents an edit control with a dropdown calendar";
inline constexpr const char* cxSEditRepositoryHyperLinkItem =
    "HyperLink|Represents a text editor with hyperlink functionality";
inline constexpr const char* cxSEditRepositoryImageItem = "Image|Represents an image editor";
inline constexpr const char* cxSEditRepositoryImageComboBoxItem =
    "ImageComboBox|Represents an editor displaying the list of images and text strings within the dropdown window";
inline constexpr const char* cxSEditRepositoryLabelItem = "Label|Represents a Label";
inline constexpr const char* cxSEditRepositoryLookupComboBoxItem = "LookupComboBox|Represents a lookup combo box control";
inline constexpr const char* cxSEditRepositoryMaskItem = "MaskEdit|Represents a generic masked edit control.";
inline constexpr const char* cxSEditRepositoryMemoItem = "Memo|Represents an edit control that allows editing memo data";
inline constexpr const char* cxSEditRepositoryMRUItem =
    "MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a dropdown "
    "window";
inline constexpr const char* cxSEditRepositoryPopupItem = "PopupEdit|Represents an edit control with a dropdown list";
inline constexpr const char* cxSEditRepositoryRadioGroupItem = "RadioGroup|Represents a group of radio buttons";
inline constexpr const char* cxSEditRepositoryShellComboBoxItem =
    "ShellComboBox|Represents a combo box with a dropdown shell tree view";
inline constexpr const char* cxSEditRepositorySpinItem = "SpinEdit|Represents a spin editor";
inline constexpr const char* cxSEditRepositoryTextItem = "TextEdit|Represents a single line text editor";
inline constexpr const char* cxSEditRepositoryTimeItem = "TimeEdit|Represents an editor displaying time values";
