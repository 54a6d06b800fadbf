-- Stored procedures of the BILLING database.

-- Posts the general-ledger journal for a period from the receivable ledger and the
-- miscellaneous receipts: one batch per day and source, each balanced. A positive ledger amount
-- debits the account's A/R and credits the other side; a negative one the reverse.
CREATE PROCEDURE sp_BILLING_PostJournal
    @DateFrom DATE,
    @DateTo DATE
AS
DELETE FROM BILLING.tbGLEntry WHERE JournalDate BETWEEN @DateFrom AND @DateTo;
WITH legs AS (
  SELECT TxnDate AS JDate, TxnType AS Src, GLCode AS GL, NULL AS Dept,
         CASE WHEN Amount > 0 THEN Amount ELSE 0 END AS Dr, CASE WHEN Amount < 0 THEN -Amount ELSE 0 END AS Cr
  FROM BILLING.tbARLedger WHERE TxnDate BETWEEN @DateFrom AND @DateTo
  UNION ALL
  SELECT TxnDate, TxnType, ContraGL, DeptCode,
         CASE WHEN Amount < 0 THEN -Amount ELSE 0 END, CASE WHEN Amount > 0 THEN Amount ELSE 0 END
  FROM BILLING.tbARLedger WHERE TxnDate BETWEEN @DateFrom AND @DateTo
  UNION ALL
  SELECT r.ReceiptDate, 'MISC', '1010', NULL, rl.Amount, 0
  FROM BILLING.tbReceiptLine rl JOIN BILLING.tbReceipt r ON r.ORNo = rl.ORNo
  WHERE rl.LineKind = 'MISC' AND r.Voided = 0 AND r.ReceiptDate BETWEEN @DateFrom AND @DateTo
  UNION ALL
  SELECT r.ReceiptDate, 'MISC', mr.GLCode, mr.DeptCode, 0, rl.Amount
  FROM BILLING.tbReceiptLine rl JOIN BILLING.tbReceipt r ON r.ORNo = rl.ORNo
  JOIN BILLING.tbMiscRevenue mr ON mr.MiscCode = rl.MiscCode
  WHERE rl.LineKind = 'MISC' AND r.Voided = 0 AND r.ReceiptDate BETWEEN @DateFrom AND @DateTo)
INSERT INTO BILLING.tbGLEntry (BatchNo, JournalDate, Period, SourceType, GLCode, DeptCode, Debit, Credit, Memo, PostedBy)
SELECT Src || '-' || strftime('%Y%m%d', JDate), JDate, strftime('%Y-%m', JDate), Src, GL, Dept,
       SUM(Dr), SUM(Cr),
       CASE Src WHEN 'CHG' THEN 'Charges' WHEN 'PAY' THEN 'Collections on account'
                WHEN 'DEP' THEN 'Deposits' WHEN 'ADJ' THEN 'Adjustments' WHEN 'REF' THEN 'Refunds'
                ELSE 'Miscellaneous revenue' END,
       'SYSTEM'
FROM legs
GROUP BY JDate, Src, GL, Dept
HAVING SUM(Dr) <> 0 OR SUM(Cr) <> 0;
GO
