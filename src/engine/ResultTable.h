#pragma once

#include <QString>
#include <QtGlobal>

// The results table as the engine sees it: nine columns, row 0 the header,
// column 0 the row numbers, and one current-cell cursor through which every
// cell is read and written. Colours are 32-bit values with red in the lowest
// byte; a cell colour of 0 means "no colour of its own".
class ResultTable {
public:
    virtual ~ResultTable() = default;

    virtual qint32 Rows() const = 0;
    virtual qint32 Cols() const = 0;

    virtual qint32 Row() const = 0;
    virtual void setRow(qint32 row) = 0;
    virtual qint32 Col() const = 0;
    virtual void setCol(qint32 col) = 0;

    virtual QString Text() const = 0;
    virtual void setText(const QString& text) = 0;
    virtual void setCellForeColor(quint32 color) = 0;
    virtual void setCellFontBold(bool bold) = 0;
    // A note on the current cell that says why it shows what it shows (why
    // a row could not be checked); empty for none.
    virtual void setCellNote(const QString& note) = 0;

    // The grid-wide colour of cells without a colour of their own.
    virtual void setForeColor(quint32 color) = 0;

    // Appends one row whose column 0 holds `text`; the cursor stays put.
    virtual void AddItem(const QString& text) = 0;

    // Column widths in twips.
    virtual void setColWidth(qint32 col, qint32 twips) = 0;
};
