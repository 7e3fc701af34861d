#pragma once

#include "richtext/RtfCodePages.h"
#include "richtext/RtfControlWords.h"
#include "richtext/RtfDocumentBuilder.h"
#include "richtext/RtfFormat.h"
#include "richtext/RtfLists.h"
#include "richtext/RtfPictures.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <string_view>
#include <vector>

class QTextDocument;

namespace richtext::rtf {

// Reads a rich-text file into a text document. The reader scans the bytes
// once, without recursion: groups are a stack of states of bounded depth,
// and groups that do not hold text are skipped by counting braces. Whatever
// the input, reading ends with the text found so far.
class RtfReader
{
public:
    explicit RtfReader(QTextDocument& document);

    void read(QByteArrayView rtf);

private:
    enum class Destination : quint8 {
        Text,
        FontTable,
        ColorTable,
        Upr,
        Object,  // an embedded object: only its "\result" is read
        Picture,
        ListTable,
        List,
        ListLevel,
        LevelText,
        ListOverrideTable,
        ListOverride,
        ListLabel, // "\listtext", "\pntext": a list item's label for readers without lists
        Numbering, // "\pn"
        NumberingBefore,
        NumberingAfter,
    };
    // Which pictures of a picture and its stand-in ("\shppict", "\nonshppict") were shown.
    enum class ShapePicture : quint8 { None, Shown, Missed };

    struct GroupState
    {
        Destination destination = Destination::Text;
        Destination outer = Destination::Text; // around "\upr", an object or a picture
        int fallbackCount = 1;                         // "\uc"
        bool lineMultiple = false;                     // "\slmult"
        QTextOption::TabType pendingTab = QTextOption::LeftTab;
        CharState chars;
        ParagraphState paragraph;
    };

    struct Parameter
    {
        bool present = false;
        int value = 0;

        bool isOn() const { return !present || value != 0; }
    };

    // scanning
    void parse();
    void readText();
    void readPictureData();
    void readControl();
    void readControlWord();
    void readControlSymbol(char symbol);
    void readHexByte();
    std::string_view scanWordName();
    Parameter scanParameter();
    void skipBinary(Parameter length);
    void skipGroupContent();
    bool consumeFallback();

    // groups
    GroupState& top() { return m_groups.back(); }
    void openGroup();
    void closeGroup();

    // control words
    void handleWord(std::string_view name, Parameter parameter);
    bool applyDestinationWord(const ControlWord& word);
    bool applyObjectWord(const ControlWord& word);
    bool applyListWord(const ControlWord& word, Parameter parameter);
    void applyNumberingWord(const ControlWord& word, Parameter parameter);
    void applyPictureWord(const ControlWord& word, Parameter parameter);
    bool applyTableWord(const ControlWord& word, Parameter parameter);
    void applyBorderWord(const ControlWord& word, Parameter parameter);
    bool applyDocumentWord(const ControlWord& word, Parameter parameter);
    void applyFontTableWord(const ControlWord& word, Parameter parameter);
    void applyColorTableWord(const ControlWord& word, Parameter parameter);
    void applyTextWord(const ControlWord& word, Parameter parameter);
    bool applyParagraphWord(const ControlWord& word, Parameter parameter);
    bool applyCharacterWord(const ControlWord& word, Parameter parameter);
    void setLineSpacing(int value);
    void endParagraph();
    void endCell();
    void endRow();

    // lists, pictures
    void closeDestination(Destination destination);
    void settleListLabel();
    void commitNumbering();
    void insertPicture();
    void readBinary(Parameter length);

    // text
    void addBytes(const char* bytes, qsizetype size);
    void addFontTableBytes(const char* bytes, qsizetype size);
    void addColorTableBytes(const char* bytes, qsizetype size);
    void addLevelTextBytes(const char* bytes, qsizetype size);
    void addCharacter(char16_t character);
    void addUnicode(Parameter parameter);
    void flushBytes();
    void settleSurrogate();
    QString* sink();
    int currentCodePage() const;

    // tables
    void startFont(int number);
    void commitFont();
    void commitColor();

    QTextDocument& m_document;
    RtfTables m_tables;
    DocumentBuilder m_builder;
    CodePageCache m_codePages;
    std::vector<GroupState> m_groups;
    std::size_t m_extraDepth = 0;           // groups opened past the depth limit
    std::optional<GroupState> m_deepState;  // the state those groups started from

    const char* m_pos = nullptr;
    const char* m_end = nullptr;
    bool m_finished = false;
    int m_skipDepth = 0;        // > 0 while skipping a group: its open braces
    int m_fallbackLeft = 0;     // characters after "\u" still to skip
    bool m_ignorableNext = false;
    QByteArray m_bytes;         // text bytes not decoded yet
    char16_t m_highSurrogate = 0;

    int m_documentCodePage = kWindows1252;
    int m_defaultFont = 0;
    int m_defaultTab = 0;

    int m_fontNumber = 0;
    FontEntry m_font;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorGiven = false;

    QHash<int, ListDefinition> m_listDefinitions; // by "\listid"
    ListDefinition m_list;
    int m_listId = 0;
    int m_levelCount = 0;
    int m_levelNumberFormat = 0;
    QString m_levelText;
    int m_overrideList = 0;
    int m_overrideNumber = 0;
    QHash<QString, int> m_numberingLists; // numbers of the older form's lists, by what they draw
    ListLevel m_numbering; // "\pn" being read
    std::optional<NumberingKind> m_numberingKind;
    int m_numberingLevel = 0;
    QString m_label;      // a "\listtext" not yet known to be needed
    CharState m_labelChars;

    PictureState m_picture;
    qint64 m_picturePixelsLeft = kPicturePixelsPerText;
    ShapePicture m_shapePicture = ShapePicture::None;

    BorderOf m_borderOf = BorderOf::Nothing;
    bool m_borderOn = false;
    int m_borderWidth = 0;
};

} // namespace richtext::rtf
