#pragma once

#include <QFileDialog>
#include <cstdint>

#include "glyph/BitLayout.h"
#include "glyph/CodeRange.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;

namespace brivo {

enum FileKind : int32_t {
    FILE_KIND_NONE = 0,
    FILE_KIND_BINARY = 1,
    FILE_KIND_TEXT = 2,
    FILE_KIND_EXPORT = 3,  // a form the program writes but does not read back
};

// The file dialog of the font-file commands: the toolkit's own (non-native) open or save
// dialog with the option area below its controls, where the user sees, and when loading
// chooses, what the font files do not carry: glyph size, code range, ExceptUnused, the Skip
// Bytes of a binary file, the array form of a text file and the bit layout. An export chooses
// its form by the file type, takes an array name for the fonts that are C source and may
// draw the glyphs proportional.
class CFileOptionDialog : public QFileDialog {
    Q_OBJECT
public:
    static constexpr int kOptionAreaId = 134;
    static constexpr int kMinSize = 1;
    static constexpr int kMaxSize = 256;

    enum ControlId {
        IDC_SIZE_LABEL = 1049,
        IDC_X_LABEL = 1050,
        IDC_SIZEX = 1002,
        IDC_SPINX = 1004,
        IDC_Y_LABEL = 1051,
        IDC_SIZEY = 1003,
        IDC_SPINY = 1005,
        IDC_ASCII = 1019,
        IDC_HANGUL = 1020,
        IDC_FULLWIDTH1 = 1024,
        IDC_ALL = 1021,
        IDC_FULLWIDTH2 = 1025,
        IDC_CUSTOM = 1022,
        IDC_SKIP_LABEL = 1046,
        IDC_SKIPBYTES = 1047,
        IDC_SKIP_UNIT = 1048,
        IDC_SINGLE_ARRAY = 1026,
        IDC_DOUBLE_ARRAY = 1027,
        IDC_EXCEPT_UNUSED = 1079,
        IDC_ARRAY_NAME_LABEL = 1090,
        IDC_ARRAY_NAME = 1091,
        IDC_CODE_TABLE = 1092,
        IDC_LAYOUT_LABEL = 1093,
        IDC_SCAN = 1094,
        IDC_BIT_ORDER = 1095,
        IDC_PROPORTIONAL = 1096,
    };

    // `filter` is a list of description|pattern pairs ended by "||", as the commands write
    // it; `defaultName` may be empty.
    CFileOptionDialog(bool openDialog, const QString& defaultExt, const QString& defaultName,
                      const QString& filter, QWidget* parent = nullptr);

    void SetOptions(int32_t sizeX, int32_t sizeY, CodeRange rangeId, int32_t doubleArray,
                    int32_t skipBytes);
    void SetFileKind(FileKind kind);
    // The array name of a text save, and whether the set is a character subset: only then
    // can a save write a code table (checked at first), after the array or as the .idx file
    // beside a .fnt file.
    void SetTextArray(const QString& name, bool subset);
    // The bit layout the file is written in (a save) or read in (a binary load); a text
    // load takes the one its header names.
    void SetBitLayout(BitLayout layout);
    // Shows the fields in the option area and enables what the file kind allows.
    void RefreshControls();
    // Reads the option area into the fields. False (with a message box) when a size is not
    // a whole number from 1 to 256, Skip Bytes is not 0 to 65536, or the array name of a
    // text save is no C identifier; the fields then keep their values. A box left with a
    // refused size or Skip Bytes shows its last good value again.
    bool TakeControls();

    QWidget* OptionArea() const { return optionArea; }
    QWidget* Control(int id) const;
    // The chosen file, once the dialog was accepted.
    QString FilePath() const;

    int32_t sizeX = 0;
    int32_t sizeY = 0;
    int32_t skipBytes = 0;
    const int32_t isOpenDialog;
    CodeRange rangeId = RANGE_NONE;
    int32_t doubleArray = 1;
    FileKind fileKind = FILE_KIND_NONE;
    int32_t exceptUnused = 0;
    QString arrayName = "data_table";
    int32_t codeTable = 0;  // a save of a character subset writes NAME_codes or OUT.idx
    bool subset = false;
    BitLayout bitLayout;
    int32_t proportional = 0;  // an export: each glyph with the font's advance and its ink box

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateOptionArea();
    void DisableForSave();
    void StepSize(int id, int delta);
    // An export's default extension follows the file type chosen.
    void FollowFilter(const QString& filter);
    bool ReadSizeEdits();

    QWidget* optionArea = nullptr;
    QLineEdit* sizeXEdit = nullptr;
    QLineEdit* sizeYEdit = nullptr;
    QLineEdit* skipEdit = nullptr;
    QLineEdit* nameEdit = nullptr;
    QComboBox* scanBox = nullptr;
    QComboBox* orderBox = nullptr;
};

// Turns "FNT File (*.fnt)|*.fnt|All Files(*.*)|*.*||" into the dialog's name filters.
QStringList NameFiltersOf(const QString& filter);

}  // namespace brivo
