#include "MasterData.h"

namespace tarvik::hospitaldb::master {

const std::vector<Department>& departments()
{
    static const std::vector<Department> list = {
        {"RA", "Room Accommodation", "ROOM", false, "4010"},
        {"NR", "Nursery", "NURSING", false, "4020"},
        {"RR", "Recovery Room", "NURSING", false, "4030"},
        {"XR", "X-Ray", "CLINICAL", true, "4040"},
        {"LB", "Laboratory", "CLINICAL", true, "4050"},
        {"PT", "Physical Therapy", "CLINICAL", true, "4060"},
        {"US", "Ultrasound", "CLINICAL", true, "4070"},
        {"S1", "Station 1 - Medical Ward", "NURSING", false, "4080"},
        {"S2", "Station 2 - Surgical Ward", "NURSING", false, "4080"},
        {"S3", "Station 3 - OB-Gyne Ward", "NURSING", false, "4080"},
        {"S5", "Station 5 - Pediatric Ward", "NURSING", false, "4080"},
        {"S6", "Station 6 - Private Rooms", "NURSING", false, "4080"},
        {"S7", "Station 7 - Semi-Private Rooms", "NURSING", false, "4080"},
        {"S8", "Station 8 - Suites", "NURSING", false, "4080"},
        {"S9", "Station 9 - Intensive Care Unit", "NURSING", false, "4080"},
        {"PH", "Pharmacy", "PHARMACY", false, "4090"},
        {"PC", "Pulmonary and Cardiology", "CLINICAL", false, "4100"},
        {"CC", "Critical Care", "NURSING", false, "4110"},
        {"CS", "Central Supply", "NURSING", false, "4120"},
        {"PA", "RTS", "CLINICAL", true, "4130"},
        {"CT", "CT Scan", "CLINICAL", true, "4140"},
        {"MD", "Professional Fees", "PROFESSIONAL", false, "2200"},
        {"AP", "Apparatus", "CLINICAL", true, "4150"},
        {"OR", "Operating Room", "CLINICAL", true, "4160"},
        {"DR", "Delivery Room", "CLINICAL", true, "4170"},
        {"DI", "Hemodialysis", "CLINICAL", true, "4180"},
        {"ER", "Emergency Room", "EMERGENCY", false, "4190"},
        {"MC", "Medical Certificates", "MISC", false, "4910"},
        {"MH", "Medical Records and Health Cards", "MISC", false, "4920"},
        {"MI", "Miscellaneous Income", "MISC", false, "4900"},
    };
    return list;
}

const std::vector<Item>& items()
{
    static const std::vector<Item> list = {
        // Laboratory
        {"LB001", "LB", "Complete Blood Count", "HOSP", 35000},
        {"LB002", "LB", "Urinalysis", "HOSP", 15000},
        {"LB003", "LB", "Fecalysis", "HOSP", 15000},
        {"LB004", "LB", "Fasting Blood Sugar", "HOSP", 18000},
        {"LB005", "LB", "Lipid Profile", "HOSP", 95000},
        {"LB006", "LB", "Creatinine", "HOSP", 22000},
        {"LB007", "LB", "Blood Urea Nitrogen", "HOSP", 22000},
        {"LB008", "LB", "SGPT / ALT", "HOSP", 28000},
        {"LB009", "LB", "Serum Electrolytes (Na, K, Cl)", "HOSP", 65000},
        {"LB010", "LB", "Dengue NS1 Antigen", "HOSP", 120000},
        {"LB011", "LB", "Platelet Count", "HOSP", 20000},
        {"LB012", "LB", "Blood Typing", "HOSP", 15000},
        {"LB013", "LB", "HbA1c", "HOSP", 90000},
        {"LB014", "LB", "Pregnancy Test", "HOSP", 25000},
        {"LB015", "LB", "Blood Culture and Sensitivity", "HOSP", 180000},
        {"LB016", "LB", "Prothrombin Time", "HOSP", 45000},
        {"LB017", "LB", "Uric Acid", "HOSP", 22000},
        {"LB018", "LB", "Troponin I", "HOSP", 150000},
        {"LB101", "LB", "Executive Check-up Package", "HOSP", 220000, true},
        {"LB102", "LB", "Pre-employment Package", "HOSP", 85000, true},
        {"LB103", "LB", "Pre-natal Package", "HOSP", 120000, true},
        // X-ray
        {"XR001", "XR", "Chest PA", "HOSP", 45000},
        {"XR002", "XR", "Chest PA / Lateral", "HOSP", 70000},
        {"XR003", "XR", "Skull AP / Lateral", "HOSP", 80000},
        {"XR004", "XR", "Lumbosacral AP / Lateral", "HOSP", 90000},
        {"XR005", "XR", "Extremities (per view)", "HOSP", 40000},
        {"XR006", "XR", "Abdomen Flat and Upright", "HOSP", 85000},
        {"XR007", "XR", "KUB", "HOSP", 55000},
        // Ultrasound
        {"US001", "US", "Whole Abdomen Ultrasound", "HOSP", 250000},
        {"US002", "US", "Pelvic Ultrasound", "HOSP", 150000},
        {"US003", "US", "Transvaginal Ultrasound", "HOSP", 170000},
        {"US004", "US", "Kidneys, Ureters and Bladder Ultrasound", "HOSP", 160000},
        {"US005", "US", "Thyroid Ultrasound", "HOSP", 150000},
        {"US006", "US", "Breast Ultrasound", "HOSP", 180000},
        // CT scan
        {"CT001", "CT", "CT Scan Cranial, Plain", "HOSP", 550000},
        {"CT002", "CT", "CT Scan Cranial, with Contrast", "HOSP", 850000},
        {"CT003", "CT", "CT Scan Chest", "HOSP", 900000},
        {"CT004", "CT", "CT Scan Whole Abdomen", "HOSP", 1200000},
        // Physical therapy
        {"PT001", "PT", "Physical Therapy Session", "HOSP", 60000},
        {"PT002", "PT", "Ultrasound Therapy", "HOSP", 50000},
        {"PT003", "PT", "Hot Pack Therapy", "HOSP", 30000},
        {"PT004", "PT", "Traction", "HOSP", 45000},
        // RTS (respiratory therapy)
        {"PA001", "PA", "Nebulization", "HOSP", 25000},
        {"PA002", "PA", "Chest Physiotherapy", "HOSP", 40000},
        {"PA003", "PA", "Arterial Blood Gas", "HOSP", 120000},
        {"PA004", "PA", "Pulmonary Function Test", "HOSP", 150000},
        // Apparatus
        {"AP001", "AP", "Oxygen (per hour)", "HOSP", 8000},
        {"AP002", "AP", "Cardiac Monitor (per day)", "HOSP", 120000},
        {"AP003", "AP", "Infusion Pump (per day)", "HOSP", 60000},
        {"AP004", "AP", "Mechanical Ventilator (per day)", "HOSP", 350000},
        {"AP005", "AP", "Suction Machine (per day)", "HOSP", 40000},
        // Operating room, recovery, delivery room, hemodialysis
        {"OR001", "OR", "Operating Room Fee - Minor", "HOSP", 500000},
        {"OR002", "OR", "Operating Room Fee - Major", "HOSP", 1500000},
        {"OR003", "OR", "Operating Room Fee - Caesarean Section", "HOSP", 1200000},
        {"OR004", "OR", "Anesthesia Machine Use", "HOSP", 250000},
        {"RR001", "RR", "Recovery Room Fee", "HOSP", 150000},
        {"DR001", "DR", "Delivery Room Fee - Normal Delivery", "HOSP", 600000},
        {"DR002", "DR", "Labor Room Fee", "HOSP", 250000},
        {"NR001", "NR", "Newborn Care (per day)", "HOSP", 90000},
        {"NR002", "NR", "Newborn Screening", "HOSP", 60000},
        {"DI001", "DI", "Hemodialysis Session", "HOSP", 450000},
        {"DI002", "DI", "Dialyzer Kit", "HOSP", 180000},
        // Pulmonary and cardiology, critical care, central supply, emergency
        {"PC001", "PC", "Electrocardiogram (ECG)", "HOSP", 35000},
        {"PC002", "PC", "2D Echocardiogram", "HOSP", 350000},
        {"CC001", "CC", "ICU Nursing Care (per day)", "HOSP", 300000},
        {"CS001", "CS", "IV Set and Cannula", "HOSP", 45000},
        {"CS002", "CS", "Surgical Pack", "HOSP", 150000},
        {"CS003", "CS", "Foley Catheter Set", "HOSP", 60000},
        {"ER001", "ER", "Emergency Room Fee", "HOSP", 50000},
        {"ER002", "ER", "Suturing Set", "HOSP", 70000},
        // Station supplies
        {"S1001", "S1", "Ward Supplies - Station 1", "HOSP", 25000},
        {"S2001", "S2", "Ward Supplies - Station 2", "HOSP", 30000},
        {"S3001", "S3", "Ward Supplies - Station 3", "HOSP", 28000},
        {"S5001", "S5", "Ward Supplies - Station 5", "HOSP", 22000},
        {"S6001", "S6", "Room Supplies - Station 6", "HOSP", 35000},
        {"S7001", "S7", "Room Supplies - Station 7", "HOSP", 32000},
        {"S8001", "S8", "Suite Supplies - Station 8", "HOSP", 50000},
        {"S9001", "S9", "ICU Supplies - Station 9", "HOSP", 120000},
        // Room accommodation (the rate comes from the bed)
        {"RA001", "RA", "Room and Board", "HOSP", 0},
        // Pharmacy
        {"PH001", "PH", "Paracetamol 500 mg tab", "HOSP", 500},
        {"PH002", "PH", "Amoxicillin 500 mg cap", "HOSP", 1200},
        {"PH003", "PH", "Cefuroxime 750 mg vial", "HOSP", 45000},
        {"PH004", "PH", "Ceftriaxone 1 g vial", "HOSP", 38000},
        {"PH005", "PH", "Omeprazole 40 mg vial", "HOSP", 32000},
        {"PH006", "PH", "D5LR 1 L", "HOSP", 18000},
        {"PH007", "PH", "PNSS 1 L", "HOSP", 16000},
        {"PH008", "PH", "Metformin 500 mg tab", "HOSP", 800},
        {"PH009", "PH", "Losartan 50 mg tab", "HOSP", 1800},
        {"PH010", "PH", "Salbutamol nebule", "HOSP", 2500},
        {"PH011", "PH", "Tramadol 50 mg amp", "HOSP", 9500},
        {"PH012", "PH", "Ketorolac 30 mg amp", "HOSP", 8500},
        {"PH013", "PH", "Oxytocin 10 IU amp", "HOSP", 6500},
        {"PH014", "PH", "Insulin regular 100 IU/mL vial", "HOSP", 95000},
        {"PH015", "PH", "Ascorbic acid 500 mg tab", "HOSP", 600},
        // Professional fees
        {"MD001", "MD", "Professional Fee - Daily Visit", "PF", 100000},
        {"MD002", "MD", "Professional Fee - Consultation", "PF", 50000},
        {"MD003", "MD", "Professional Fee - Surgeon", "PF", 2500000},
        {"MD004", "MD", "Professional Fee - Anesthesiologist", "PF", 1000000},
        {"MD005", "MD", "Professional Fee - Obstetrician", "PF", 2000000},
        {"MD006", "MD", "Professional Fee - Reading", "PF", 30000},
        {"MD007", "MD", "Professional Fee - Emergency", "PF", 60000},
    };
    return list;
}

const std::vector<PackagePart>& packageParts()
{
    static const std::vector<PackagePart> list = {
        {"LB101", "LB001"}, {"LB101", "LB002"}, {"LB101", "LB004"}, {"LB101", "LB005"},
        {"LB101", "LB006"}, {"LB101", "LB008"}, {"LB101", "LB017"},
        {"LB102", "LB001"}, {"LB102", "LB002"}, {"LB102", "LB003"},
        {"LB103", "LB001"}, {"LB103", "LB002"}, {"LB103", "LB012"}, {"LB103", "LB004"},
    };
    return list;
}

const std::vector<Payor>& payors()
{
    static const std::vector<Payor> list = {
        {"SELF", "Self-pay", "SELF", 0, "1100"},
        {"CHARITY", "Hospital Charity Fund", "GOVERNMENT", 0, "1100"},
        {"NHF", "National Health Fund", "GOVERNMENT", 60, "1140"},
        {"HMO-LIF", "Lifeline Health Plans, Inc.", "HMO", 45, "1120"},
        {"HMO-KAL", "Kalinga Health Care", "HMO", 45, "1120"},
        {"HMO-BAY", "Bayanihan Medical Plans", "HMO", 60, "1120"},
        {"HMO-PAN", "Panacea Health Partners", "HMO", 30, "1120"},
        {"CO-PCC", "Pacific Coast Cement Corp.", "COMPANY", 30, "1130"},
        {"CO-BOR", "Banco Oriente", "COMPANY", 30, "1130"},
        {"CO-MRT", "Maritima Shipping Lines", "COMPANY", 45, "1130"},
        {"CO-TEL", "Telecomunicaciones del Norte", "COMPANY", 30, "1130"},
    };
    return list;
}

const std::vector<GLAccount>& glAccounts()
{
    static const std::vector<GLAccount> list = {
        {"1010", "Cash on Hand", "ASSET", "D"},
        {"1100", "Accounts Receivable - Patients", "ASSET", "D"},
        {"1110", "Accounts Receivable - Out-patients", "ASSET", "D"},
        {"1120", "Accounts Receivable - HMO", "ASSET", "D"},
        {"1130", "Accounts Receivable - Companies", "ASSET", "D"},
        {"1140", "Accounts Receivable - National Health Fund", "ASSET", "D"},
        {"2200", "Professional Fees Payable", "LIABILITY", "C"},
        {"4010", "Revenue - Room Accommodation", "REVENUE", "C"},
        {"4020", "Revenue - Nursery", "REVENUE", "C"},
        {"4030", "Revenue - Recovery Room", "REVENUE", "C"},
        {"4040", "Revenue - X-Ray", "REVENUE", "C"},
        {"4050", "Revenue - Laboratory", "REVENUE", "C"},
        {"4060", "Revenue - Physical Therapy", "REVENUE", "C"},
        {"4070", "Revenue - Ultrasound", "REVENUE", "C"},
        {"4080", "Revenue - Nursing Stations", "REVENUE", "C"},
        {"4090", "Revenue - Pharmacy", "REVENUE", "C"},
        {"4100", "Revenue - Pulmonary and Cardiology", "REVENUE", "C"},
        {"4110", "Revenue - Critical Care", "REVENUE", "C"},
        {"4120", "Revenue - Central Supply", "REVENUE", "C"},
        {"4130", "Revenue - RTS", "REVENUE", "C"},
        {"4140", "Revenue - CT Scan", "REVENUE", "C"},
        {"4150", "Revenue - Apparatus", "REVENUE", "C"},
        {"4160", "Revenue - Operating Room", "REVENUE", "C"},
        {"4170", "Revenue - Delivery Room", "REVENUE", "C"},
        {"4180", "Revenue - Hemodialysis", "REVENUE", "C"},
        {"4190", "Revenue - Emergency Room", "REVENUE", "C"},
        {"4900", "Miscellaneous Income", "REVENUE", "C"},
        {"4910", "Certification Fees", "REVENUE", "C"},
        {"4920", "Medical Records Fees", "REVENUE", "C"},
        {"4930", "Rental Income", "REVENUE", "C"},
        {"4990", "Discounts and Allowances", "CONTRA", "D"},
        {"4995", "Senior Citizen Discounts", "CONTRA", "D"},
        {"6100", "Bad Debts and Charity Write-offs", "EXPENSE", "D"},
    };
    return list;
}

const std::vector<Station>& stations()
{
    static const std::vector<Station> list = {
        {"S1", "Station 1 - Medical Ward", 2, "WARD", 120000, 6, 0.22},
        {"S2", "Station 2 - Surgical Ward", 2, "WARD", 120000, 6, 0.16},
        {"S3", "Station 3 - OB-Gyne Ward", 3, "WARD", 120000, 4, 0.12},
        {"S5", "Station 5 - Pediatric Ward", 3, "WARD", 110000, 4, 0.12},
        {"S6", "Station 6 - Private Rooms", 4, "PRIVATE", 350000, 1, 0.14},
        {"S7", "Station 7 - Semi-Private Rooms", 4, "SEMI-PRIVATE", 220000, 2, 0.14},
        {"S8", "Station 8 - Suites", 5, "SUITE", 650000, 1, 0.04},
        {"S9", "Station 9 - Intensive Care Unit", 1, "ICU", 500000, 1, 0.06},
    };
    return list;
}

const std::vector<MiscCode>& miscCodes()
{
    static const std::vector<MiscCode> list = {
        {"MC", "Medical Certificate", "4910", 15000, 0.30},
        {"MH", "Medical Records and Health Card", "4920", 20000, 0.20},
        {"MI", "Miscellaneous Income", "4900", 50000, 0.10},
        {"MB", "Birth Certificate Processing", "4910", 25000, 0.08},
        {"MP", "Parking Fees", "4900", 5000, 0.15},
        {"MX", "Photocopying", "4900", 2000, 0.10},
        {"MR", "Doctors' Clinic Rental", "4930", 1500000, 0.02},
        {"MF", "Cafetería Concession Fee", "4930", 2500000, 0.01},
        {"MS", "Sale of Scrap Materials", "4900", 300000, 0.04},
    };
    return list;
}

const std::vector<const char*>& firstNamesMale()
{
    static const std::vector<const char*> list = {
        "Juan", "Jose", "Pedro", "Antonio", "Ramon", "Emmanuel", "Rogelio", "Danilo", "Florante",
        "Honorio", "Jericho", "Paolo", "Mark Anthony", "Romeo", "Ernesto", "Benigno", "Carlos",
        "Alfredo", "Rodrigo", "Felipe", "Noel", "Arnel", "Renato", "Efrén", "Joaquín", "Ignacio",
        "Vicente", "Eduardo", "Ricardo", "Manuel", "Julius", "Kevin", "John Paul", "Christian"};
    return list;
}

const std::vector<const char*>& firstNamesFemale()
{
    static const std::vector<const char*> list = {
        "Maria", "Ana", "Rosario", "Carmelita", "Teresita", "Lourdes", "Cristina", "Maricel",
        "Angelica", "Rhea", "Editha", "Gloria", "Imelda", "Josefina", "Corazon", "Remedios",
        "Luzviminda", "Marites", "Jennifer", "Kristine", "Maribel", "Leonor", "Dolores", "Milagros",
        "Concepción", "Pilar", "Mercedes", "Aurora", "Nida", "Sheila", "Princess", "Jasmine"};
    return list;
}

const std::vector<const char*>& lastNames()
{
    static const std::vector<const char*> list = {
        "Santos", "Reyes", "Cruz", "Bautista", "Ocampo", "Garcia", "Mendoza", "Torres", "Castillo",
        "Flores", "Villanueva", "Ramos", "Aquino", "Navarro", "Peñaflor", "Muñoz", "Nuñez",
        "Dela Cruz", "Del Rosario", "Lacson", "Soriano", "Pascual", "Santiago", "Salazar", "Manalo",
        "Dizon", "Tolentino", "Gutierrez", "Ibañez", "Valdez", "Domingo", "Mercado", "Aguilar",
        "Castañeda", "De Guzman", "Fernandez", "Gonzales", "Lopez", "Marquez", "Morales", "Padilla",
        "Quiambao", "Rivera", "Sison", "Tan", "Uy", "Velasco", "Yap", "Zamora", "O'Hara"};
    return list;
}

const std::vector<const char*>& cities()
{
    static const std::vector<const char*> list = {
        "Tarvik City", "Port Alonzo", "San Felipe Neri", "Villa Esperanza", "Maharlika Heights",
        "Bayview", "Santa Rosalia", "Mabini Town", "Nueva Castilla", "Dalisay"};
    return list;
}

const std::vector<const char*>& streets()
{
    static const std::vector<const char*> list = {
        "Rizal St.", "Bonifacio Ave.", "Mabini St.", "Luna St.", "Del Pilar St.", "Quezon Blvd.",
        "Magsaysay Ave.", "Burgos St.", "Jacinto St.", "Aguinaldo Hwy.", "Sampaguita St.",
        "Narra St.", "Acacia Rd.", "Molave St.", "Ilang-Ilang St."};
    return list;
}

const std::vector<const char*>& diagnoses()
{
    static const std::vector<const char*> list = {
        "Community-acquired pneumonia", "Dengue fever", "Acute gastroenteritis",
        "Urinary tract infection", "Hypertensive urgency", "Type 2 diabetes mellitus, uncontrolled",
        "Acute appendicitis", "Cholelithiasis", "Pregnancy uterine, term, in labor",
        "Bronchial asthma in acute exacerbation", "Congestive heart failure", "Cerebrovascular accident",
        "Chronic kidney disease stage 5", "Fracture, radius, closed", "Acute coronary syndrome",
        "Typhoid fever", "Leptospirosis", "Cellulitis, lower extremity"};
    return list;
}

const std::vector<const char*>& complaints()
{
    static const std::vector<const char*> list = {
        "Fever", "Cough and colds", "Abdominal pain", "Headache", "Check-up", "Prenatal check-up",
        "Follow-up", "Back pain", "Dizziness", "Chest pain", "Laceration", "Skin rashes",
        "Loose bowel movement", "Difficulty of breathing", "Annual physical examination"};
    return list;
}

} // namespace tarvik::hospitaldb::master
