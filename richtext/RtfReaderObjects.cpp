// The reader's handling of what is more than text: embedded objects,
// pictures, lists and tables.
#include "richtext/RtfReader.h"

#include <QTextImageFormat>

#include <algorithm>
#include <utility>

namespace richtext::rtf {

namespace {

constexpr int kMaxListNumbers = 4096; // list numbers of the older form in one file

} // namespace

// Destination words of objects, pictures and lists. Each one only counts
// where it belongs; elsewhere its group is skipped.
bool RtfReader::applyObjectWord(const ControlWord& word)
{
    GroupState& state = top();
    auto enter = [&](Destination from, Destination to) {
        if (state.destination != from) {
            m_skipDepth = 1;
            return false;
        }
        state.outer = state.destination;
        state.destination = to;
        return true;
    };
    switch (word.op) {
    case Op::Object:
        state.outer = state.destination;
        state.destination = Destination::Object;
        return true;
    case Op::Result:
        if (state.destination == Destination::Object)
            state.destination = state.outer;
        return true;
    case Op::Picture:
        state.outer = state.destination;
        state.destination = Destination::Picture;
        m_picture = {};
        return true;
    case Op::ShapePicture:
        m_shapePicture = ShapePicture::Missed;
        return true;
    case Op::NonShapePicture:
        if (std::exchange(m_shapePicture, ShapePicture::None) == ShapePicture::Shown)
            m_skipDepth = 1; // the picture was shown; this is its stand-in
        return true;
    case Op::ListTable:
        enter(Destination::Text, Destination::ListTable);
        return true;
    case Op::List:
        if (enter(Destination::ListTable, Destination::List)) {
            m_list = {};
            m_listId = 0;
            m_levelCount = 0;
        }
        return true;
    case Op::ListLevel:
        if (enter(Destination::List, Destination::ListLevel)) {
            m_levelNumberFormat = 0;
            m_levelText.clear();
        }
        return true;
    case Op::LevelText:
        enter(Destination::ListLevel, Destination::LevelText);
        return true;
    case Op::ListOverrideTable:
        enter(Destination::Text, Destination::ListOverrideTable);
        return true;
    case Op::ListOverride:
        if (enter(Destination::ListOverrideTable, Destination::ListOverride))
            m_overrideList = m_overrideNumber = 0;
        return true;
    case Op::ListLabel:
        if (enter(Destination::Text, Destination::ListLabel))
            m_label.clear();
        return true;
    case Op::NestedRow:
        // Tables in tables are read as rows of tab-separated cells: the
        // row's definition is skipped and ends its paragraph.
        endParagraph();
        m_skipDepth = 1;
        return true;
    case Op::Numbering:
        if (enter(Destination::Text, Destination::Numbering)) {
            m_numbering = {};
            m_numbering.style = QTextListFormat::ListDecimal;
            m_numbering.suffix.clear();
            m_numberingKind.reset();
            m_numberingLevel = 0;
        }
        return true;
    case Op::NumberingBefore:
        enter(Destination::Numbering, Destination::NumberingBefore);
        return true;
    case Op::NumberingAfter:
        enter(Destination::Numbering, Destination::NumberingAfter);
        return true;
    default:
        return false;
    }
}

// ---- lists

bool RtfReader::applyListWord(const ControlWord& word, Parameter parameter)
{
    const Destination destination = top().destination;
    const int value = std::max(0, parameter.value);
    switch (word.op) {
    case Op::ListId:
        (destination == Destination::ListOverride ? m_overrideList : m_listId) = parameter.value;
        return true;
    case Op::LevelNumberFormat:
        m_levelNumberFormat = parameter.value;
        return true;
    case Op::ListNumber:
        if (destination == Destination::ListOverride)
            m_overrideNumber = value;
        else if (destination == Destination::Text)
            top().paragraph.list = value;
        return true;
    case Op::ListLevelNumber:
        if (destination == Destination::Text)
            top().paragraph.listLevel = std::min(value, kListLevels - 1);
        return true;
    default:
        return false;
    }
}

void RtfReader::applyNumberingWord(const ControlWord& word, Parameter parameter)
{
    switch (word.op) {
    case Op::NumberingKind:
        m_numberingKind = NumberingKind(word.argument);
        m_numberingLevel = 0;
        break;
    case Op::NumberingLevel: // an outline level, from 1
        m_numberingKind = NumberingKind::Body;
        m_numberingLevel = std::clamp(parameter.value - 1, 0, kListLevels - 1);
        break;
    case Op::NumberingStyle:
        m_numbering.style = QTextListFormat::Style(word.argument);
        break;
    default:
        break;
    }
}

// A "\pn" group makes its paragraph a list item. Paragraphs numbered alike
// are items of one list, so their numbers count on.
void RtfReader::commitNumbering()
{
    ParagraphState& paragraph = top().paragraph;
    paragraph.list = 0;
    if (!m_numberingKind || *m_numberingKind == NumberingKind::Continue)
        return;
    ListLevel level = m_numbering;
    if (*m_numberingKind == NumberingKind::Bullet) {
        level.style = bulletStyle(level.prefix.isEmpty() ? QChar(0x2022) : level.prefix.at(0));
        level.prefix.clear();
        level.suffix.clear();
    }
    const QString key = QStringLiteral("%1 %2 %3\n%4\n%5")
                            .arg(m_numberingLevel)
                            .arg(int(level.style))
                            .arg(level.prefix.size())
                            .arg(level.prefix, level.suffix);
    int number = m_numberingLists.value(key);
    if (number == 0) {
        if (m_numberingLists.size() >= kMaxListNumbers)
            return;
        number = -int(m_numberingLists.size()) - 1;
        m_numberingLists.insert(key, number);
        ListDefinition definition;
        definition.levels.at(m_numberingLevel) = level;
        m_tables.lists.insert(number, definition);
    }
    paragraph.list = number;
    paragraph.listLevel = m_numberingLevel;
}

// A list's own label replaces the one written for readers without lists;
// for an item of a list the file does not define, that label is the text.
void RtfReader::settleListLabel()
{
    if (m_label.isEmpty())
        return;
    const QString label = std::exchange(m_label, QString());
    const ParagraphState& paragraph = top().paragraph;
    if (paragraph.list != 0 && m_tables.lists.contains(paragraph.list))
        return;
    if (QString* run = m_builder.runFor(m_labelChars, paragraph))
        run->append(label);
}

// ---- closing groups

void RtfReader::closeDestination(Destination destination)
{
    switch (destination) {
    case Destination::FontTable:
        commitFont();
        m_builder.tablesChanged();
        break;
    case Destination::ColorTable:
        m_builder.tablesChanged();
        break;
    case Destination::ListLevel:
        if (m_levelCount < kListLevels) {
            m_list.levels.at(m_levelCount)
                = levelFromText(m_levelNumberFormat, m_levelText, m_levelCount);
            ++m_levelCount;
        }
        break;
    case Destination::List:
        m_listDefinitions.insert(m_listId, m_list);
        break;
    case Destination::ListOverride: {
        const auto list = m_listDefinitions.constFind(m_overrideList);
        if (list != m_listDefinitions.constEnd() && m_overrideNumber > 0)
            m_tables.lists.insert(m_overrideNumber, *list);
        break;
    }
    case Destination::ListLabel:
        m_labelChars = top().chars;
        break;
    case Destination::Picture:
        if (top().outer == Destination::Text)
            insertPicture();
        m_picture = {};
        break;
    default:
        break;
    }
}

// ---- pictures

void RtfReader::applyPictureWord(const ControlWord& word, Parameter parameter)
{
    if (word.op == Op::PictureKind) {
        m_picture.kind = PictureKind(word.argument);
        return;
    }
    if (word.op != Op::PictureValue)
        return;
    const int value = clampTwips(parameter.value);
    switch (PictureValue(word.argument)) {
    case PictureValue::Width:
        m_picture.width = value;
        break;
    case PictureValue::Height:
        m_picture.height = value;
        break;
    case PictureValue::GoalWidth:
        m_picture.goalWidth = value;
        break;
    case PictureValue::GoalHeight:
        m_picture.goalHeight = value;
        break;
    case PictureValue::ScaleX:
        m_picture.scaleX = value;
        break;
    case PictureValue::ScaleY:
        m_picture.scaleY = value;
        break;
    case PictureValue::BitsPerPixel:
        m_picture.bitsPerPixel = value;
        break;
    case PictureValue::WidthBytes:
        m_picture.widthBytes = value;
        break;
    }
}

void RtfReader::insertPicture()
{
    const std::optional<QTextImageFormat> format
        = addPicture(m_document, m_picture, m_picturePixelsLeft);
    if (!format)
        return;
    if (m_shapePicture == ShapePicture::Missed)
        m_shapePicture = ShapePicture::Shown;
    settleListLabel();
    m_builder.insertObject(top().chars, top().paragraph, *format);
}

// ---- tables

bool RtfReader::applyTableWord(const ControlWord& word, Parameter parameter)
{
    RowDefinition& row = m_tables.row;
    switch (word.op) {
    case Op::RowDefaults:
        row = {};
        m_borderOf = BorderOf::Nothing;
        return true;
    case Op::RowLeft:
        row.left = clampTwips(parameter.value);
        return true;
    case Op::RowGap:
        row.gap = std::max(0, clampTwips(parameter.value));
        return true;
    case Op::RowAlign:
        row.alignment = Alignment(word.argument);
        return true;
    case Op::CellBoundary:
        row.addCell(clampTwips(parameter.value));
        m_borderOf = BorderOf::Nothing;
        return true;
    case Op::CellMerge:
        switch (CellMergeWord(word.argument)) {
        case CellMergeWord::First:
            row.next.horizontal = CellMerge::First;
            break;
        case CellMergeWord::Next:
            row.next.horizontal = CellMerge::Next;
            break;
        case CellMergeWord::VerticalFirst:
            row.next.vertical = CellMerge::First;
            break;
        case CellMergeWord::VerticalNext:
            row.next.vertical = CellMerge::Next;
            break;
        }
        return true;
    case Op::CellBackground:
        row.next.background = std::max(0, parameter.value);
        return true;
    case Op::CellAlign:
        row.next.alignment = CellAlignment(word.argument);
        return true;
    case Op::InTable:
        top().paragraph.inTable = true;
        return true;
    case Op::TableLevel:
        top().paragraph.inTable = parameter.value > 0;
        return true;
    case Op::CellEnd:
        endCell();
        return true;
    case Op::RowEnd:
        endRow();
        return true;
    case Op::BorderOf:
    case Op::BorderStyle:
    case Op::BorderWidth:
        applyBorderWord(word, parameter);
        return true;
    default:
        return false;
    }
}

// Borders count for whether a table has lines, and how wide: a border word
// names whose border follows, then its style and width in either order.
void RtfReader::applyBorderWord(const ControlWord& word, Parameter parameter)
{
    switch (word.op) {
    case Op::BorderOf:
        m_borderOf = BorderOf(word.argument);
        m_borderOn = false;
        m_borderWidth = 0;
        return;
    case Op::BorderStyle:
        m_borderOn = word.argument != 0;
        break;
    default:
        m_borderWidth = std::clamp(parameter.value, 0, kMaxBorderTwips);
        break;
    }
    if (m_borderOf != BorderOf::Nothing && m_borderOn)
        m_tables.row.border = std::max({ m_tables.row.border, m_borderWidth, 1 });
}

} // namespace richtext::rtf
