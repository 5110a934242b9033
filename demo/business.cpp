#include "demo/business.h"

#include "components/database.h"
#include "components/schema.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <random>

namespace demo {

namespace {

using schema::Column;
using schema::ColumnType;
using schema::Table;

Column T(const char *n, int len = 40, bool nn = false) { return {QString::fromLatin1(n), ColumnType::Text, len, nn}; }
Column K(const char *n) { return T(n, 20, true); }
Column I(const char *n) { return {QString::fromLatin1(n), ColumnType::Integer, 0, false}; }
Column N(const char *n) { return {QString::fromLatin1(n), ColumnType::Number, 0, false}; }
// What the editor keeps on every document header: its version and who changed it last, when.
QList<Column> versioned(QList<Column> cols)
{
    cols << I("version") << T("modifier", 60) << T("modtime", 19) << T("approver", 60) << T("approvetime", 19);
    return cols;
}

QList<Table> buildTables()
{
    const QStringList billLine{QStringLiteral("billno"), QStringLiteral("lineno")};
    QList<Table> t;
    t.append({QStringLiteral("xt_progdef"),
              {{QStringLiteral("progno"), ColumnType::Integer, 0, true}, T("kind", 10), T("caption", 100), T("tablename"),
               T("keycol"), T("columns", 1000), T("linetable"), T("linefk"), T("linecols", 1000), T("scope", 200),
               I("readonly"), T("reportsql", 4000), T("params", 400), T("groupcol"), T("sumcols", 200), I("opensprog"),
               T("openskey"), T("docopts", 400)},
              {QStringLiteral("progno")}, false, {}});
    t.append({QStringLiteral("bd_supplier"), {K("code"), T("name", 100), T("contact"), T("phone"), T("address", 200)},
              {QStringLiteral("code")}, false, {}});
    t.append({QStringLiteral("bd_customer"), {K("code"), T("name", 100), T("contact"), T("phone"), N("creditlimit")},
              {QStringLiteral("code")}, false, {}});
    t.append({QStringLiteral("bd_item"), {K("code"), T("name", 100), T("spec", 100), T("unit", 10), N("price"), N("minstock")},
              {QStringLiteral("code")}, false, {}});
    for (const char *side : {"pu", "sa"}) {
        const QString head = QString::fromLatin1(side) + QStringLiteral("_order");
        const QString party = QString::fromLatin1(side[0] == 'p' ? "supplier" : "customer");
        t.append({head,
                  versioned({K("billno"), T("billdate", 10), T(side[0] == 'p' ? "supplier" : "customer", 20),
                             T("deliverydate", 10), T("status", 10), T("remark", 200), N("amount")}),
                  {QStringLiteral("billno")}, false,
                  // The reports read a period's orders, their lines and the masters from these indexes alone,
                  // without a lookup in the table per row (three times faster over a year of a big company);
                  // a report grouped by the party's name sums its lines per party in this index's order.
                  {{QStringLiteral("billdate"), QStringLiteral("billno"), party},
                   {party, QStringLiteral("billdate"), QStringLiteral("billno")},
                   {QStringLiteral("deliverydate")}}});
        t.append({head + QStringLiteral("line"), {K("billno"), I("lineno"), T("item", 20), N("qty"), N("price"), N("amount")},
                  billLine, false,
                  {{QStringLiteral("item")},
                   {QStringLiteral("billno"), QStringLiteral("lineno"), QStringLiteral("item"), QStringLiteral("qty"),
                    QStringLiteral("price"), QStringLiteral("amount")}}});
    }
    t.append({QStringLiteral("in_bill"),
              versioned({K("billno"), T("billdate", 10), T("billtype", 20), I("direction"), T("warehouse"), T("refno", 20),
                         T("remark", 200)}),
              {QStringLiteral("billno")}, false, {{QStringLiteral("billtype")}, {QStringLiteral("billdate")}}});
    t.append({QStringLiteral("in_billline"), {K("billno"), I("lineno"), T("item", 20), N("qty")}, billLine, false,
              {{QStringLiteral("item")}}});
    t.append({QStringLiteral("gl_account"), {K("code"), T("name", 100), T("kind", 10)}, {QStringLiteral("code")}, false, {}});
    t.append({QStringLiteral("gl_voucher"), versioned({K("vno"), T("vdate", 10), T("summary", 200), T("maker"), I("posted")}),
              {QStringLiteral("vno")}, false, {}});
    t.append({QStringLiteral("gl_voucherline"),
              {{QStringLiteral("vno"), ColumnType::Text, 20, true}, I("lineno"), T("account", 20), T("summary", 200), N("debit"),
               N("credit")},
              {QStringLiteral("vno"), QStringLiteral("lineno")}, false, {{QStringLiteral("account")}}});
    t.append({QStringLiteral("ar_bill"),
              versioned({K("billno"), T("billdate", 10), T("customer", 20), T("duedate", 10), N("amount"), N("received"),
                         T("remark", 200)}),
              {QStringLiteral("billno")}, false, {}});
    t.append({QStringLiteral("ar_receipt"),
              versioned({K("billno"), T("billdate", 10), T("customer", 20), T("arbill", 20), N("amount"), T("remark", 200)}),
              {QStringLiteral("billno")}, false, {}});
    return t;
}

// ---- what each program number shows ----

struct Def {
    int progno;
    const char *kind, *caption, *table, *key, *columns, *lineTable, *lineFk, *lineCols, *scope;
    int readOnly;
    const char *sql, *params, *group, *sums;
    int opens;
    const char *opensKey;
    const char *docopts = "";
};

// Columns: name:caption:type:width:options (dec= decimals, min> bound, calc= computed, sum= total, ref= master table).
#define ORDER_COLS(party, caption, partyTable)                                                                         \
    "*billno:单号:t:120;*billdate:日期:d:100;*" party ":" caption ":t:100:ref=" partyTable ";deliverydate:交货日期:d:100;"  \
    "status:状态:t:80;remark:备注:t:200;amount:金额:n:110:dec=2,sum=amount"
#define ORDER_LINES                                                                                                    \
    "*item:物料:t:120:ref=bd_item;*qty:数量:n:80:dec=2,min>0;*price:单价:n:90:dec=4,min>=0;amount:金额:n:100:dec=2,calc=qty*price"
#define BILL_COLS "*billno:单号:t:120;*billdate:日期:d:100;warehouse:仓库:t:100;refno:来源单号:t:120;remark:备注:t:200"
#define BILL_LINES "*item:物料:t:120:ref=bd_item;*qty:数量:n:80:dec=2,min>0"
// A stock count's quantity is the difference found, either way.
#define COUNT_LINES "*item:物料:t:120:ref=bd_item;*qty:数量:n:80:dec=2"
#define VOUCHER_COLS "*vno:凭证号:t:100;*vdate:日期:d:100;*summary:摘要:t:220;maker:制单人:t:80;posted:已记账:n:60"
#define VOUCHER_LINES                                                                                                  \
    "*account:科目:t:100:ref=gl_account;summary:摘要:t:200;debit:借方:n:110:dec=2,min>=0;credit:贷方:n:110:dec=2,min>=0"
// Documents: numbered prefix + yyyyMM + 3 digits (or typed), orders approved, every one versioned.
#define ORDER_OPTS(prefix) "number=" prefix ":yyyyMM:3;typed;status=status:未审核,已审核;version"
#define APPROVE_OPTS(prefix) ORDER_OPTS(prefix) ";approve"
#define DOC_OPTS(prefix) "number=" prefix ":yyyyMM:3;typed;version"

// Master data is joined outer: a document whose supplier, customer or item is missing
// still shows, with its code and an empty name. A party parameter finds a name or a code.
#define PARTY_LIKE(party) "(coalesce(p.name, '') like :party or o." party " like :party)"
#define ORDER_DETAIL(side, party, partyTable)                                                                          \
    "select o." party " as partycode, p.name as party, o.billno, o.billdate, l.item as itemcode, i.name as item, l.qty, " \
    "l.price, l.amount from " side "_order o join " side "_orderline l on l.billno = o.billno "                          \
    "left join " partyTable " p on p.code = o." party " left join bd_item i on i.code = l.item "                         \
    "where o.billdate between :from and :to and " PARTY_LIKE(party) " order by p.name, o.billno, l.lineno"
#define ORDER_QUERY(side, party, partyTable)                                                                           \
    "select o.billno, o.billdate, o." party " as partycode, p.name as party, o.deliverydate, o.status, o.amount from "   \
    side "_order o left join " partyTable " p on p.code = o." party " "                                                   \
    "where o.billdate between :from and :to and " PARTY_LIKE(party) " and o.status like :status order by o.billno"
#define DETAIL_COLS(caption)                                                                                           \
    "party:" caption ":t:200:nameof=partycode;partycode:" caption "编码:t:90;billno:单号:t:120;billdate:日期:d:100;itemcode:物料编码:t:90;"  \
    "item:物料:t:160;qty:数量:n:80:dec=2;price:单价:n:90:dec=4;amount:金额:n:110:dec=2"
#define QUERY_COLS(caption)                                                                                            \
    "billno:单号:t:120;billdate:日期:d:100;partycode:" caption "编码:t:90;party:" caption ":t:200;"                        \
    "deliverydate:交货日期:d:100;status:状态:t:80;amount:金额:n:110:dec=2"
#define RANGE_PARAMS "from:起始日期:d:@today-60;to:截止日期:d:@today"

const Def kDefs[] = {
    // Purchasing
    {2101, "edit", "采购订单", "pu_order", "billno", ORDER_COLS("supplier", "供应商", "bd_supplier"), "pu_orderline", "billno", ORDER_LINES, "", 0,
     "", "", "", "", 0, "", ORDER_OPTS("PO")},
    {2102, "edit", "采购订单审核", "pu_order", "billno", ORDER_COLS("supplier", "供应商", "bd_supplier"), "pu_orderline", "billno", ORDER_LINES, "",
     0, "", "", "", "", 0, "", APPROVE_OPTS("PO")},
    {2103, "report", "采购订单查询", "", "", QUERY_COLS("供应商"), "", "", "", "", 0, ORDER_QUERY("pu", "supplier", "bd_supplier"),
     RANGE_PARAMS ";party:供应商:l:;status:状态:l:", "", "amount", 2101, "billno"},
    {2104, "edit", "采购入库单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES,
     "billtype=采购入库,direction=1", 0, "", "", "", "", 0, "", DOC_OPTS("RK")},
    {2105, "edit", "采购退货单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES,
     "billtype=采购退货,direction=-1", 0, "", "", "", "", 0, "", DOC_OPTS("TH")},
    {2106, "report", "采购明细表", "", "", DETAIL_COLS("供应商"), "", "", "", "", 0, ORDER_DETAIL("pu", "supplier", "bd_supplier"),
     RANGE_PARAMS ";party:供应商:l:", "party", "qty,amount", 2101, "billno"},
    {2107, "report", "采购汇总表", "", "", "partycode:供应商编码:t:90;party:供应商:t:220;orders:订单数:n:90:dec=0;qty:数量:n:100:dec=2;"
     "amount:金额:n:130:dec=2", "", "", "", "", 0,
     "select o.supplier as partycode, p.name as party, count(distinct o.billno) as orders, sum(l.qty) as qty, sum(l.amount) as amount "
     "from pu_order o join pu_orderline l on l.billno = o.billno left join bd_supplier p on p.code = o.supplier "
     "where o.billdate between :from and :to group by o.supplier, p.name order by amount desc, o.supplier",
     RANGE_PARAMS, "", "orders,qty,amount", 0, ""},
    {2108, "report", "供应商对账单", "", "", "party:供应商:t:200;partycode:供应商编码:t:90;billno:单号:t:120;billdate:日期:d:100;"
     "status:状态:t:80;amount:金额:n:120:dec=2", "", "", "", "", 0,
     "select p.name as party, o.supplier as partycode, o.billno, o.billdate, o.status, o.amount from pu_order o "
     "left join bd_supplier p on p.code = o.supplier "
     "where o.billdate between :from and :to and " PARTY_LIKE("supplier") " order by p.name, o.billno",
     RANGE_PARAMS ";party:供应商:l:", "party", "amount", 2101, "billno"},
    // Sales
    {2201, "edit", "销售订单", "sa_order", "billno", ORDER_COLS("customer", "客户", "bd_customer"), "sa_orderline", "billno", ORDER_LINES, "", 0,
     "", "", "", "", 0, "", ORDER_OPTS("SO")},
    {2202, "edit", "销售订单审核", "sa_order", "billno", ORDER_COLS("customer", "客户", "bd_customer"), "sa_orderline", "billno", ORDER_LINES, "",
     0, "", "", "", "", 0, "", APPROVE_OPTS("SO")},
    {2203, "report", "销售订单查询", "", "", QUERY_COLS("客户"), "", "", "", "", 0, ORDER_QUERY("sa", "customer", "bd_customer"),
     RANGE_PARAMS ";party:客户:l:;status:状态:l:", "", "amount", 2201, "billno"},
    {2204, "edit", "销售出库单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES,
     "billtype=销售出库,direction=-1", 0, "", "", "", "", 0, "", DOC_OPTS("CK")},
    {2205, "edit", "销售退货单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES,
     "billtype=销售退货,direction=1", 0, "", "", "", "", 0, "", DOC_OPTS("XT")},
    {2206, "report", "销售明细表", "", "", DETAIL_COLS("客户"), "", "", "", "", 0, ORDER_DETAIL("sa", "customer", "bd_customer"),
     RANGE_PARAMS ";party:客户:l:", "party", "qty,amount", 2201, "billno"},
    {2207, "report", "销售排行榜", "", "", "itemcode:物料编码:t:90;item:物料:t:200;unit:单位:t:60;qty:数量:n:100:dec=2;"
     "amount:金额:n:130:dec=2", "", "", "", "", 0,
     "select l.item as itemcode, i.name as item, i.unit, sum(l.qty) as qty, sum(l.amount) as amount from sa_order o "
     "join sa_orderline l on l.billno = o.billno left join bd_item i on i.code = l.item "
     "where o.billdate between :from and :to group by l.item, i.name, i.unit order by amount desc, l.item",
     RANGE_PARAMS, "", "qty,amount", 0, ""},
    // Inventory
    {2301, "edit", "其他入库单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES,
     "billtype=其他入库,direction=1", 0, "", "", "", "", 0, "", DOC_OPTS("QR")},
    {2302, "edit", "其他出库单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES,
     "billtype=其他出库,direction=-1", 0, "", "", "", "", 0, "", DOC_OPTS("QF")},
    {2303, "edit", "调拨单", "in_bill", "billno", BILL_COLS, "in_billline", "billno", BILL_LINES, "billtype=调拨,direction=0", 0,
     "", "", "", "", 0, "", DOC_OPTS("DB")},
    {2304, "edit", "盘点单", "in_bill", "billno",
     "*billno:单号:t:120;*billdate:日期:d:100;*direction:盘盈1/盘亏-1:n:90;warehouse:仓库:t:100;remark:备注:t:200",
     "in_billline", "billno", COUNT_LINES, "billtype=盘点", 0, "", "", "", "", 0, "", DOC_OPTS("PD")},
    {2305, "report", "盘点差异表", "", "", "billno:单号:t:120;billdate:日期:d:100;itemcode:物料编码:t:90;item:物料:t:180;"
     "diff:差异数量:n:100:dec=2;price:单价:n:90:dec=2;amount:差异金额:n:120:dec=2", "", "", "", "", 0,
     "select b.billno, b.billdate, l.item as itemcode, i.name as item, l.qty * b.direction as diff, i.price, "
     "l.qty * b.direction * i.price as amount "
     "from in_bill b join in_billline l on l.billno = b.billno left join bd_item i on i.code = l.item "
     "where b.billtype = '盘点' and b.billdate between :from and :to order by b.billno, l.lineno",
     RANGE_PARAMS, "", "diff,amount", 2304, "billno"},
    {2306, "report", "库存台账", "", "", "itemcode:物料编码:t:90;item:物料:t:180;billdate:日期:d:100;billno:单号:t:120;"
     "billtype:业务类型:t:90;qtyin:入库:n:90:dec=2;qtyout:出库:n:90:dec=2", "", "", "", "", 0,
     "select l.item as itemcode, i.name as item, b.billdate, b.billno, b.billtype, "
     "case when b.direction > 0 then l.qty else 0 end as qtyin, case when b.direction < 0 then l.qty else 0 end as qtyout "
     "from in_bill b join in_billline l on l.billno = b.billno left join bd_item i on i.code = l.item "
     "where b.billdate between :from and :to and (coalesce(i.name, '') like :item or l.item like :item) "
     "order by l.item, b.billdate, b.billno, l.lineno",
     RANGE_PARAMS ";item:物料:l:", "itemcode", "qtyin,qtyout", 0, ""},
    {2307, "report", "库存余额表", "", "", "code:编码:t:90;item:物料:t:200;unit:单位:t:60;balance:结存数量:n:110:dec=2;"
     "minstock:最低库存:n:100:dec=2", "", "", "", "", 0,
     "select i.code, i.name as item, i.unit, coalesce(sum(l.qty * b.direction), 0) as balance, i.minstock from bd_item i "
     "left join in_billline l on l.item = i.code left join in_bill b on b.billno = l.billno and b.billdate <= :to "
     "group by i.code, i.name, i.unit, i.minstock order by i.code",
     "to:截止日期:d:@today", "", "balance", 0, ""},
    // General ledger
    {1201, "edit", "记账凭证", "gl_voucher", "vno", VOUCHER_COLS, "gl_voucherline", "vno", VOUCHER_LINES, "", 0, "", "", "", "", 0, "", "number=记-::4;typed;version"},
    {1202, "edit", "凭证审核", "gl_voucher", "vno", VOUCHER_COLS, "gl_voucherline", "vno", VOUCHER_LINES, "", 0, "", "", "", "", 0, "", "number=记-::4;typed;version"},
    {1203, "report", "未记账凭证", "", "", "vno:凭证号:t:100;vdate:日期:d:100;summary:摘要:t:240;maker:制单人:t:80;amount:金额:n:120:dec=2",
     "", "", "", "", 0,
     "select v.vno, v.vdate, v.summary, v.maker, sum(l.debit) as amount from gl_voucher v join gl_voucherline l on l.vno = v.vno "
     "where v.posted = 0 group by v.vno, v.vdate, v.summary, v.maker order by v.vno",
     "", "", "amount", 1201, "vno"},
    {1204, "report", "总账", "", "", "code:科目编码:t:90;name:科目名称:t:180;debit:借方发生:n:130:dec=2;credit:贷方发生:n:130:dec=2", "", "",
     "", "", 0,
     "select l.account as code, a.name, sum(l.debit) as debit, sum(l.credit) as credit from gl_voucherline l "
     "join gl_voucher v on v.vno = l.vno left join gl_account a on a.code = l.account "
     "where v.vdate between :from and :to group by l.account, a.name order by l.account",
     RANGE_PARAMS, "", "debit,credit", 0, ""},
    {1205, "report", "明细账", "", "", "accountcode:科目编码:t:90;account:科目:t:160;vdate:日期:d:100;vno:凭证号:t:100;"
     "summary:摘要:t:220;debit:借方:n:120:dec=2;credit:贷方:n:120:dec=2", "", "", "", "", 0,
     "select l.account as accountcode, a.name as account, v.vdate, v.vno, l.summary, l.debit, l.credit from gl_voucherline l "
     "join gl_voucher v on v.vno = l.vno left join gl_account a on a.code = l.account "
     "where v.vdate between :from and :to order by l.account, v.vdate, v.vno, l.lineno",
     RANGE_PARAMS, "accountcode", "debit,credit", 1201, "vno"},
    // Receivables
    {2401, "edit", "应收单", "ar_bill", "billno",
     "*billno:单号:t:120;*billdate:日期:d:100;*customer:客户:t:100:ref=bd_customer;*duedate:到期日:d:100;"
     "*amount:金额:n:110:dec=2,min>=0;received:已收:n:110:dec=2,min>=0;"
     "remark:备注:t:200", "", "", "", "", 0, "", "", "", "", 0, "", DOC_OPTS("YS")},
    {2402, "edit", "收款单", "ar_receipt", "billno",
     "*billno:单号:t:120;*billdate:日期:d:100;*customer:客户:t:100:ref=bd_customer;arbill:应收单号:t:120;"
     "*amount:金额:n:110:dec=2,min>0;remark:备注:t:200", "", "",
     "", "", 0, "", "", "", "", 0, "", DOC_OPTS("SK")},
    {2403, "report", "应收账龄分析", "", "", "party:客户:t:200;partycode:客户编码:t:90;billno:单号:t:120;duedate:到期日:d:100;"
     "amount:金额:n:110:dec=2;received:已收:n:110:dec=2;outstanding:未收:n:110:dec=2;overdue:逾期未收:n:110:dec=2", "", "", "", "", 0,
     "select c.name as party, b.customer as partycode, b.billno, b.duedate, b.amount, b.received, b.amount - b.received as outstanding, "
     "case when b.duedate < :asof then b.amount - b.received else 0 end as overdue from ar_bill b "
     "left join bd_customer c on c.code = b.customer where b.amount > b.received order by c.name, b.duedate, b.billno",
     "asof:截止日期:d:@today", "party", "amount,received,outstanding,overdue", 2401, "billno"},
    // System
    {9901, "edit", "操作员", "sys_operator", "opcode", "*opcode:编码:t:80;*opname:名称:t:160;isadmin:管理员:n:70;disabled:停用:n:70", "",
     "", "", "", 1, "", "", "", "", 0, ""},
    {9902, "edit", "操作员权限", "sys_rights", "opcode", "*opcode:操作员:t:80;*progid:程序号:n:90;rights:权限:n:90", "", "", "", "", 1, "",
     "", "", "", 0, ""},
    {9903, "edit", "系统参数", "sys_param", "name",
     "*sysno:系统号:n:70;*paramno:参数号:n:70;*name:名称:t:140;value:值:t:200;remark:说明:t:240", "", "", "", "", 0, "", "", "", "", 0,
     ""},
    // Alerts: every definition of kind "alert" is one section of the alert list.
    {9911, "alert", "低于最低库存的物料", "", "", "code:编码:t:90;item:物料:t:200;unit:单位:t:60;balance:结存:n:100:dec=2;minstock:最低库存:n:100:dec=2",
     "", "", "", "", 0,
     "select i.code, i.name as item, i.unit, coalesce(sum(l.qty * b.direction), 0) as balance, i.minstock from bd_item i "
     "left join in_billline l on l.item = i.code left join in_bill b on b.billno = l.billno "
     "group by i.code, i.name, i.unit, i.minstock having coalesce(sum(l.qty * b.direction), 0) < i.minstock order by i.code",
     "", "", "", 0, "", "right=2307"},
    {9912, "alert", "逾期未交货的采购订单", "", "", "billno:单号:t:120;deliverydate:交货日期:d:100;partycode:供应商编码:t:90;party:供应商:t:200;"
     "status:状态:t:80", "", "", "", "", 0,
     "select o.billno, o.deliverydate, o.supplier as partycode, p.name as party, o.status from pu_order o "
     "left join bd_supplier p on p.code = o.supplier "
     "where o.deliverydate < :today and o.status <> '已入库' order by o.deliverydate, o.billno",
     "today:日期:d:@today", "", "", 2101, "billno"},
    {9913, "alert", "逾期未发货的销售订单", "", "", "billno:单号:t:120;deliverydate:交货日期:d:100;partycode:客户编码:t:90;party:客户:t:200;"
     "status:状态:t:80", "", "", "", "", 0,
     "select o.billno, o.deliverydate, o.customer as partycode, p.name as party, o.status from sa_order o "
     "left join bd_customer p on p.code = o.customer "
     "where o.deliverydate < :today and o.status <> '已出库' order by o.deliverydate, o.billno",
     "today:日期:d:@today", "", "", 2201, "billno"},
    {9914, "alert", "逾期应收款", "", "", "billno:单号:t:120;duedate:到期日:d:100;partycode:客户编码:t:90;party:客户:t:200;"
     "outstanding:未收金额:n:120:dec=2", "", "", "", "", 0,
     "select b.billno, b.duedate, b.customer as partycode, c.name as party, b.amount - b.received as outstanding from ar_bill b "
     "left join bd_customer c on c.code = b.customer where b.duedate < :today and b.amount > b.received order by b.duedate, b.billno",
     "today:日期:d:@today", "", "outstanding", 2401, "billno"},
};

// ---- the company's master data ----

struct Party {
    const char *code, *name, *contact, *phone;
};
const Party kSuppliers[] = {
    {"S001", "华东钢材有限公司", "陈建国", "021-6688 1001"}, {"S002", "深圳华南电子元件厂", "林晓东", "0755-8321 2002"},
    {"S003", "宁波五金制品公司", "周海", "0574-8765 3003"},   {"S004", "苏州精密机械有限公司", "吴敏", "0512-6523 4004"},
    {"S005", "天津北方塑胶厂", "赵磊", "022-2345 5005"},       {"S006", "杭州包装材料公司", "钱丽", "0571-8801 6006"},
    {"S007", "广州恒通轴承有限公司", "黄志强", "020-3456 7007"}, {"S008", "无锡电线电缆厂", "孙伟", "0510-8234 8008"},
};
const Party kCustomers[] = {
    {"C001", "上海东方机电设备公司", "刘洋", "021-5234 0101"}, {"C002", "北京中科仪器有限公司", "王芳", "010-6278 0202"},
    {"C003", "南京长江自动化公司", "张伟", "025-8456 0303"},   {"C004", "武汉光谷电器有限公司", "李娜", "027-8765 0404"},
    {"C005", "成都西部工控设备厂", "杨帆", "028-8512 0505"},   {"C006", "青岛海滨制冷设备公司", "徐静", "0532-8890 0606"},
    {"C007", "厦门鹭岛电子科技", "郑凯", "0592-5123 0707"},     {"C008", "重庆山城机械制造公司", "何勇", "023-6345 0808"},
    {"C009", "西安秦川仪表有限公司", "马超", "029-8823 0909"}, {"C010", "长沙湘江电气成套公司", "罗琳", "0731-8456 1010"},
};
struct Item {
    const char *code, *name, *spec, *unit;
    double price, minstock;
};
const Item kItems[] = {
    {"A1001", "冷轧钢板", "1.0mm×1250mm", "张", 186.00, 200},  {"A1002", "镀锌钢板", "1.5mm×1250mm", "张", 238.00, 150},
    {"A1003", "不锈钢管", "Φ25×2mm", "米", 42.50, 300},          {"A2001", "贴片电阻", "0805 10kΩ", "盘", 35.00, 50},
    {"A2002", "电解电容", "470μF 25V", "盒", 68.00, 40},         {"A2003", "单片机", "STM32F103C8T6", "片", 12.80, 500},
    {"A2004", "继电器", "HF46F 24V", "只", 6.50, 400},           {"A3001", "六角螺栓", "M8×30 8.8级", "盒", 45.00, 100},
    {"A3002", "平垫圈", "M8 镀锌", "盒", 18.00, 100},            {"A3003", "弹簧垫圈", "M8", "盒", 16.00, 80},
    {"A4001", "深沟球轴承", "6204-2RS", "套", 15.60, 300},       {"A4002", "圆锥滚子轴承", "30206", "套", 38.00, 120},
    {"A5001", "ABS 粒料", "通用级", "千克", 14.20, 1000},        {"A5002", "尼龙扎带", "4×200mm", "包", 9.80, 200},
    {"A6001", "瓦楞纸箱", "600×400×400", "只", 7.20, 600},       {"A6002", "气泡垫", "1.2m×50m", "卷", 86.00, 30},
    {"A7001", "电源线", "RVV 3×1.5mm²", "米", 5.60, 2000},       {"A7002", "网线", "超五类", "箱", 420.00, 10},
    {"B1001", "变频器", "2.2kW 380V", "台", 1980.00, 20},        {"B1002", "伺服电机", "750W", "台", 2650.00, 15},
    {"B1003", "PLC 控制器", "16 入 16 出", "台", 3280.00, 10},   {"B1004", "触摸屏", "7 寸", "台", 1150.00, 12},
    {"B2001", "配电箱", "XL-21", "台", 1680.00, 8},              {"B2002", "温控仪", "XMT-808", "台", 265.00, 30},
};
const char *const kAccounts[][3] = {
    {"1001", "库存现金", "资产"},   {"1002", "银行存款", "资产"},   {"1122", "应收账款", "资产"},
    {"1405", "库存商品", "资产"},   {"2202", "应付账款", "负债"},   {"2221", "应交税费", "负债"},
    {"6001", "主营业务收入", "损益"}, {"6401", "主营业务成本", "损益"}, {"6602", "管理费用", "损益"},
};

class Generator
{
public:
    explicit Generator(Database &db) : m_db(db) {}

    bool run(QString *error)
    {
        if (!definitions() || !masterData() || !orders("pu") || !orders("sa") || !stockCounts() || !openingStock()
            || !vouchers())
            return fail(error);
        return true;
    }

private:
    // The same numbers on every machine: the engine's raw output, never a distribution.
    int pick(int n) { return int(m_rng() % uint32_t(n)); }

    bool exec(const QString &sql, const QVariantList &values)
    {
        if (m_db.exec(sql, values))
            return true;
        m_why = QStringLiteral("%1 (%2)").arg(m_db.LastError().description, sql.left(80));
        return false;
    }
    bool fail(QString *error)
    {
        if (error)
            *error = m_why;
        return false;
    }
    static QString day(const QDate &d) { return d.toString(Qt::ISODate); }
    static QString s(const char *text) { return QString::fromUtf8(text); }

    bool definitions()
    {
        const QString sql = QStringLiteral(
            "insert into xt_progdef (progno, kind, caption, tablename, keycol, columns, linetable, linefk, linecols, scope, "
            "readonly, reportsql, params, groupcol, sumcols, opensprog, openskey, docopts) "
            "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const Def &d : kDefs)
            if (!exec(sql, {d.progno, s(d.kind), s(d.caption), s(d.table), s(d.key), s(d.columns), s(d.lineTable), s(d.lineFk),
                            s(d.lineCols), s(d.scope), d.readOnly, s(d.sql), s(d.params), s(d.group), s(d.sums), d.opens,
                            s(d.opensKey), s(d.docopts)}))
                return false;
        return true;
    }

    bool masterData()
    {
        for (const Party &p : kSuppliers)
            if (!exec(QStringLiteral("insert into bd_supplier (code, name, contact, phone, address) values (?, ?, ?, ?, ?)"),
                      {s(p.code), s(p.name), s(p.contact), s(p.phone), QString()}))
                return false;
        int n = 0;
        for (const Party &p : kCustomers)
            if (!exec(QStringLiteral("insert into bd_customer (code, name, contact, phone, creditlimit) values (?, ?, ?, ?, ?)"),
                      {s(p.code), s(p.name), s(p.contact), s(p.phone), 200000 + 50000 * (n++ % 4)}))
                return false;
        for (const Item &i : kItems)
            if (!exec(QStringLiteral("insert into bd_item (code, name, spec, unit, price, minstock) values (?, ?, ?, ?, ?, ?)"),
                      {s(i.code), s(i.name), s(i.spec), s(i.unit), i.price, i.minstock}))
                return false;
        for (const auto &a : kAccounts)
            if (!exec(QStringLiteral("insert into gl_account (code, name, kind) values (?, ?, ?)"), {s(a[0]), s(a[1]), s(a[2])}))
                return false;
        return true;
    }

    // Orders of the last ten weeks with their lines; the delivered ones get their
    // stock movement, the sales ones their receivable and, mostly, their voucher.
    bool orders(const char *side)
    {
        const bool purchase = side[0] == 'p';
        const QString head = QString::fromLatin1(side) + QStringLiteral("_order");
        const int count = purchase ? 40 : 50;
        const QDate first(2026, 10, 1);
        // Numbered in date order, from 001 in each month, as a clerk would have entered them.
        QList<QDate> dates;
        for (int k = 0; k < count; ++k)
            dates << first.addDays(pick(69));
        std::sort(dates.begin(), dates.end());
        QMap<int, int> perMonth;
        for (const QDate &date : std::as_const(dates)) {
            const QString billno = QStringLiteral("%1%2%3").arg(purchase ? u"PO" : u"SO").arg(date.toString(QStringLiteral("yyyyMM")))
                                       .arg(++perMonth[date.month()], 3, 10, QLatin1Char('0'));
            const QDate delivery = date.addDays(7 + pick(14));
            // Orders delivered long ago are done; recent ones are partly open, some late.
            const bool done = delivery < QDate(2026, 12, 1) ? pick(5) != 0 : pick(3) == 0;
            const QString status = done ? (purchase ? s("已入库") : s("已出库")) : (pick(2) ? s("已审核") : s("未审核"));
            const QString party = purchase ? s(kSuppliers[pick(int(std::size(kSuppliers)))].code)
                                           : s(kCustomers[pick(int(std::size(kCustomers)))].code);
            if (!exec(QStringLiteral("insert into %1 (billno, billdate, %2, deliverydate, status, remark) values (?, ?, ?, ?, ?, ?)")
                          .arg(head, purchase ? QStringLiteral("supplier") : QStringLiteral("customer")),
                      {billno, day(date), party, day(delivery), status, QString()}))
                return false;
            const int lines = 1 + pick(4);
            double total = 0;
            QList<QPair<QString, double>> moved;
            for (int l = 1; l <= lines; ++l) {
                const Item &item = kItems[pick(int(std::size(kItems)))];
                const double qty = (item.price > 1000 ? 1 + pick(5) : 10 * (1 + pick(20)));
                const double price = purchase ? item.price : double(qRound(item.price * 135)) / 100.0;
                const double amount = double(qRound(qty * price * 100)) / 100.0;
                total += amount;
                moved.append({s(item.code), qty});
                if (!exec(QStringLiteral("insert into %1line (billno, lineno, item, qty, price, amount) values (?, ?, ?, ?, ?, ?)")
                              .arg(head),
                          {billno, l, s(item.code), qty, price, amount}))
                    return false;
            }
            if (!exec(QStringLiteral("update %1 set amount = ?, version = 1 where billno = ?").arg(head), {double(qRound64(total * 100)) / 100.0, billno}))
                return false;
            if (!done)
                continue;
            const QDate moveDate = delivery.addDays(-pick(3));
            const QString moveNo = QStringLiteral("%1%2").arg(purchase ? u"RK" : u"CK").arg(billno.mid(2));
            if (!exec(QStringLiteral("insert into in_bill (billno, billdate, billtype, direction, warehouse, refno, remark) "
                                     "values (?, ?, ?, ?, ?, ?, ?)"),
                      {moveNo, day(moveDate), purchase ? s("采购入库") : s("销售出库"), purchase ? 1 : -1, s("成品库"), billno,
                       QString()}))
                return false;
            for (const auto &[item, qty] : std::as_const(moved))
                m_moved[item] += purchase ? qty : -qty;
            for (int l = 0; l < moved.size(); ++l)
                if (!exec(QStringLiteral("insert into in_billline (billno, lineno, item, qty) values (?, ?, ?, ?)"),
                          {moveNo, l + 1, moved.at(l).first, moved.at(l).second}))
                    return false;
            if (!purchase) {
                const double received = pick(3) == 0 ? total : (pick(2) ? 0.0 : double(qRound(total * 50)) / 100.0);
                if (!exec(QStringLiteral("insert into ar_bill (billno, billdate, customer, duedate, amount, received, remark) "
                                         "values (?, ?, ?, ?, ?, ?, ?)"),
                          {QStringLiteral("YS") + billno.mid(2), day(moveDate), party, day(moveDate.addDays(30)), total, received,
                           s("销售出库 ") + moveNo}))
                    return false;
                if (received > 0
                    && !exec(QStringLiteral("insert into ar_receipt (billno, billdate, customer, arbill, amount, remark) "
                                            "values (?, ?, ?, ?, ?, ?)"),
                             {QStringLiteral("SK") + billno.mid(2), day(moveDate.addDays(10 + pick(15))), party,
                              QStringLiteral("YS") + billno.mid(2), received, QString()}))
                    return false;
            }
            m_postings.append({moveDate, purchase, total, billno});
        }
        return true;
    }

    // Opening stock on the first day of the data, chosen so that every item ends
    // above its minimum but about a quarter, which end a little below it.
    bool openingStock()
    {
        const QString bill = QStringLiteral("QC20261001");
        if (!exec(QStringLiteral("insert into in_bill (billno, billdate, billtype, direction, warehouse, refno, remark) "
                                 "values (?, ?, ?, ?, ?, ?, ?)"),
                  {bill, QStringLiteral("2026-10-01"), s("期初"), 1, s("成品库"), QString(), s("期初库存")}))
            return false;
        int line = 0;
        for (const Item &i : kItems) {
            const double target = i.minstock * (pick(4) == 0 ? 0.6 : 1.3 + pick(10) / 10.0);
            const double opening = std::max(0.0, std::round(target - m_moved.value(s(i.code))));
            if (!exec(QStringLiteral("insert into in_billline (billno, lineno, item, qty) values (?, ?, ?, ?)"),
                      {bill, ++line, s(i.code), opening}))
                return false;
        }
        return true;
    }

    bool stockCounts()
    {
        const QDate dates[] = {QDate(2026, 10, 31), QDate(2026, 11, 30)};
        int k = 0;
        for (const QDate &d : dates) {
            ++k;
            for (int direction : {1, -1}) {
                const QString billno = QStringLiteral("PD%1%2").arg(d.toString(QStringLiteral("yyyyMM"))).arg(direction > 0 ? u'1' : u'2');
                if (!exec(QStringLiteral("insert into in_bill (billno, billdate, billtype, direction, warehouse, refno, remark) "
                                         "values (?, ?, ?, ?, ?, ?, ?)"),
                          {billno, day(d), s("盘点"), direction, s("成品库"), QString(), direction > 0 ? s("月末盘盈") : s("月末盘亏")}))
                    return false;
                for (int l = 1; l <= 2 + k; ++l) {
                    const QString item = s(kItems[pick(int(std::size(kItems)))].code);
                    const int qty = 1 + pick(5);
                    m_moved[item] += direction * qty;
                    if (!exec(QStringLiteral("insert into in_billline (billno, lineno, item, qty) values (?, ?, ?, ?)"),
                              {billno, l, item, qty}))
                        return false;
                }
            }
        }
        return true;
    }

    // A voucher per delivered order: purchases debit stock against payables, sales
    // debit receivables against revenue. The last two weeks' are not posted yet.
    bool vouchers()
    {
        std::sort(m_postings.begin(), m_postings.end(), [](const Posting &a, const Posting &b) { return a.date < b.date; });
        int n = 0;
        for (const Posting &p : m_postings) {
            const QString vno = QStringLiteral("记-%1").arg(++n, 4, 10, QLatin1Char('0'));
            const bool posted = p.date < QDate(2026, 11, 24);
            const QString summary = (p.purchase ? s("采购入库 ") : s("销售出库 ")) + p.order;
            if (!exec(QStringLiteral("insert into gl_voucher (vno, vdate, summary, maker, posted) values (?, ?, ?, ?, ?)"),
                      {vno, day(p.date), summary, p.purchase ? s("张三") : s("王会计"), posted ? 1 : 0}))
                return false;
            const QString debit = p.purchase ? QStringLiteral("1405") : QStringLiteral("1122");
            const QString credit = p.purchase ? QStringLiteral("2202") : QStringLiteral("6001");
            const QString line = QStringLiteral("insert into gl_voucherline (vno, lineno, account, summary, debit, credit) "
                                                "values (?, ?, ?, ?, ?, ?)");
            if (!exec(line, {vno, 1, debit, summary, p.amount, 0}) || !exec(line, {vno, 2, credit, summary, 0, p.amount}))
                return false;
        }
        return true;
    }

    struct Posting {
        QDate date;
        bool purchase;
        double amount;
        QString order;
    };

    Database &m_db;
    std::mt19937 m_rng{20261208u};
    QList<Posting> m_postings;
    QMap<QString, double> m_moved; // stock moved by the documents, per item
    QString m_why;
};

} // namespace

const QList<schema::Table> &businessTables()
{
    static const QList<Table> t = buildTables();
    return t;
}

namespace {
bool hasIndex(Database &db, const QString &name)
{
    RecordSetPtr rs = db.dialect() == SqlDialect::PostgreSQL
        ? db.query(QStringLiteral("select count(*) from pg_indexes where indexname = ?"), {name.toLower()})
        : db.query(QStringLiteral("select count(*) from sqlite_master where type = 'index' and name = ?"), {name});
    return rs && rs->firstValue().toInt() > 0;
}

// The reports and alerts of the demo are the program's own: one an earlier build
// stored differently (inner joins, no names beside codes) is replaced by today's.
bool refreshReports(Database &db, QString *error)
{
    for (const Def &d : kDefs) {
        if (qstrcmp(d.kind, "edit") == 0)
            continue;
        RecordSetPtr rs = db.query(QStringLiteral("select columns, reportsql, groupcol, sumcols, docopts from xt_progdef where progno = ?"),
                                   {d.progno});
        if (!rs || rs->recordCount() == 0)
            continue;
        if (rs->text(QStringLiteral("columns")) == QString::fromUtf8(d.columns)
            && rs->text(QStringLiteral("reportsql")) == QString::fromUtf8(d.sql)
            && rs->text(QStringLiteral("groupcol")) == QString::fromUtf8(d.group)
            && rs->text(QStringLiteral("sumcols")) == QString::fromUtf8(d.sums)
            && rs->text(QStringLiteral("docopts")) == QString::fromUtf8(d.docopts))
            continue;
        if (!db.exec(QStringLiteral("update xt_progdef set columns = ?, reportsql = ?, params = ?, groupcol = ?, sumcols = ?, "
                                    "opensprog = ?, openskey = ?, docopts = ? where progno = ?"),
                     {QString::fromUtf8(d.columns), QString::fromUtf8(d.sql), QString::fromUtf8(d.params), QString::fromUtf8(d.group),
                      QString::fromUtf8(d.sums), d.opens, QString::fromUtf8(d.opensKey), QString::fromUtf8(d.docopts), d.progno})) {
            if (error)
                *error = db.LastError().description;
            return false;
        }
    }
    return true;
}
} // namespace

bool upgradeBusiness(Database &db, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!db.hasTable(QStringLiteral("xt_progdef")))
        return true; // not a demo account set
    const bool earlier = !schema::columnNames(db, QStringLiteral("xt_progdef")).contains(QStringLiteral("docopts"), Qt::CaseInsensitive);
    QString why;
    if (!schema::addMissingColumns(db, businessTables(), &why))
        return fail(why);
    // The indexes lists and reports sort and filter by, on a database made before them.
    for (const Table &t : businessTables())
        for (const QStringList &ix : t.indexes)
            if (db.hasTable(t.name) && !hasIndex(db, QStringLiteral("ix_%1_%2").arg(t.name, ix.join(u'_')))
                && !db.exec(QStringLiteral("create index if not exists ix_%1_%2 on %1 (%3)")
                                .arg(t.name, ix.join(u'_'), ix.join(QStringLiteral(", ")))))
                return fail(db.LastError().description);
    if (!earlier)
        return refreshReports(db, error);
    // The definitions of an earlier build are the program's own: replaced by today's. Rows of
    // the books stay; lines an earlier editor stored without an amount get it, orders their total.
    if (!db.transaction())
        return fail(db.LastError().description);
    QStringList statements;
    for (const char *side : {"pu", "sa"})
        statements << QStringLiteral("update %1_orderline set amount = round(qty * price, 2) where amount is null and qty is not null "
                                     "and price is not null").arg(QLatin1String(side))
                   << QStringLiteral("update %1_order set amount = (select round(sum(l.amount), 2) from %1_orderline l where l.billno = "
                                     "%1_order.billno) where amount is null").arg(QLatin1String(side))
                   << QStringLiteral("update %1_order set status = '未审核' where status is null or status = ''").arg(QLatin1String(side));
    for (const QString &sql : std::as_const(statements))
        if (!db.exec(sql)) {
            why = db.LastError().description;
            db.rollback();
            return fail(why);
        }
    for (const Def &d : kDefs) {
        const QVariantList values{QString::fromUtf8(d.kind), QString::fromUtf8(d.caption), QString::fromUtf8(d.table),
                                  QString::fromUtf8(d.key), QString::fromUtf8(d.columns), QString::fromUtf8(d.lineTable),
                                  QString::fromUtf8(d.lineFk), QString::fromUtf8(d.lineCols), QString::fromUtf8(d.scope), d.readOnly,
                                  QString::fromUtf8(d.sql), QString::fromUtf8(d.params), QString::fromUtf8(d.group),
                                  QString::fromUtf8(d.sums), d.opens, QString::fromUtf8(d.opensKey), QString::fromUtf8(d.docopts),
                                  d.progno};
        if (!db.exec(QStringLiteral("update xt_progdef set kind = ?, caption = ?, tablename = ?, keycol = ?, columns = ?, linetable = ?, "
                                    "linefk = ?, linecols = ?, scope = ?, readonly = ?, reportsql = ?, params = ?, groupcol = ?, "
                                    "sumcols = ?, opensprog = ?, openskey = ?, docopts = ? where progno = ?"),
                     values)) {
            why = db.LastError().description;
            db.rollback();
            return fail(why);
        }
    }
    if (!db.commit())
        return fail(db.LastError().description);
    return true;
}

bool populateBusiness(Database &db, QString *error)
{
    if (!schema::createTables(db, businessTables(), error))
        return false;
    if (!db.transaction()) {
        if (error)
            *error = db.LastError().description;
        return false;
    }
    Generator g(db);
    if (!g.run(error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = db.LastError().description;
        return false;
    }
    return true;
}

} // namespace demo
