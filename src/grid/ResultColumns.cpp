#include "ResultColumns.h"

#include "ResultTable.h"

const std::array<ColumnSetup, gridcol::Count> ResultColumns{{
    {u"", 300},
    {u"店铺名称", 1995},
    {u"店铺地址", 2895},
    {u"店铺状态", 960},
    {u"会员名", 1400},
    {u"信用等级", 960},
    {u"好评率", 960},
    {u"创店时间", 1230},
    {u"是否将你加入友情链接", 1875},
}};

void setUpResultColumns(ResultTable& grid) {
    grid.setRow(0);
    for (qint32 col = 1; col < gridcol::Count; ++col) {
        grid.setCol(col);
        grid.setText(QString::fromUtf16(ResultColumns[col].header));
    }
    for (qint32 col = 0; col < gridcol::Count; ++col)
        grid.setColWidth(col, ResultColumns[col].widthTwips);
}
