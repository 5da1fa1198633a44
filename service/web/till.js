// till.js
